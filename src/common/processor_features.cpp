#include "common/processor_features.h"

namespace vok {

#if VOK_X86_VECTORS
namespace {
bool has(bool (*ask)()) {
  __builtin_cpu_init();
  return ask();
}
}  // namespace

bool processorHasAvx2() {
  static const bool supported = has([] { return __builtin_cpu_supports("avx2") != 0; });
  return supported;
}

bool processorHasAvx512() {
  static const bool supported = has([] {
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
  });
  return supported;
}

bool processorHasAvx512Vbmi() {
  static const bool supported =
      processorHasAvx512() && has([] { return __builtin_cpu_supports("avx512vbmi") != 0; });
  return supported;
}
#else
bool processorHasAvx2() { return false; }
bool processorHasAvx512() { return false; }
bool processorHasAvx512Vbmi() { return false; }
#endif

}  // namespace vok
