// vok-sim's picture import module: Qt's decoder behind one C entry point,
// loaded with dlopen only when vok-sim reads a picture that is not a 24-bit
// BMP, so that its other runs start without loading Qt.
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "import/import_module_entry.h"
#include "import/qt_picture_decoder.h"

extern "C" __attribute__((visibility("default"))) void vokDecodePicture(
    const std::uint8_t* file, std::size_t size, vok::PictureSizeCheck supported,
    vok::DecodedPicture* out) {
  *out = vok::decodeWithQt(std::span(file, size), supported);
}

static_assert(std::is_same_v<decltype(&vokDecodePicture), vok::ImportModuleEntry>,
              "the entry point must have the type vok-sim looks it up as");
