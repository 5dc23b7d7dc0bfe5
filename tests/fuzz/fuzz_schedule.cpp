// libFuzzer entry point: see checkSchedule() in fuzz_checks.h for what the input is.
#include <cstddef>
#include <cstdint>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vok::fuzz::checkSchedule({data, size});
  return 0;
}
