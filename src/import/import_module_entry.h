// The entry point of vok-sim's picture import module (import_module.cpp),
// as the module exports it and vok-sim looks it up.
#ifndef VOK_IMPORT_IMPORT_MODULE_ENTRY_H_
#define VOK_IMPORT_IMPORT_MODULE_ENTRY_H_

#include <cstddef>
#include <cstdint>

#include "import/picture_files.h"

namespace vok {

// The module's file name, and the name of its entry point.
inline constexpr const char* kImportModuleFile = "vok-picture-import.so";
inline constexpr const char* kImportModuleEntry = "vokDecodePicture";

// Decodes the `size` bytes at `file` (a picture file that is not a 24-bit
// BMP) into `out`; `supported` says which sizes the loader takes.
using ImportModuleEntry = void (*)(const std::uint8_t* file, std::size_t size,
                                   bool (*supported)(std::int64_t width, std::int64_t height),
                                   DecodedPicture* out);

}  // namespace vok

#endif  // VOK_IMPORT_IMPORT_MODULE_ENTRY_H_
