// libFuzzer entry point: see checkPictureImport() in fuzz_import_checks.h.
#include <cstddef>
#include <cstdint>

#include "fuzz_import_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vok::fuzz::checkPictureImport({data, size});
  return 0;
}
