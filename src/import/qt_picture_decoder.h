// Decoding a picture of any format Qt's image reader handles into the
// 24-bit BMP file of the same pixels (EXIF orientation applied,
// transparency composited over white). The reader's size is checked before
// it decodes a pixel. Links Qt Gui only, and nothing of the core but its
// headers, so that it also builds into vok-sim's import module.
#ifndef VOK_IMPORT_QT_PICTURE_DECODER_H_
#define VOK_IMPORT_QT_PICTURE_DECODER_H_

#include <QIODevice>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <span>
#include <vector>

#include "import/picture_files.h"

namespace vok {

// Whether the loader takes a picture of width x height pixels.
using PictureSizeCheck = bool (*)(std::int64_t width, std::int64_t height);

// Decodes the picture on `device` (the format decided from the content, so
// a file with a wrong or missing suffix still reads); pictures `supported`
// refuses, before or after decoding, are kUnsupported.
DecodedPicture decodeWithQt(QIODevice& device, PictureSizeCheck supported);

// The same for a file's bytes in memory.
DecodedPicture decodeWithQt(std::span<const std::uint8_t> file, PictureSizeCheck supported);

// The 24-bit BMP file (headers, then rows bottom row first, blue, green,
// red, each row padded to a multiple of 4 bytes) of `image`'s pixels,
// composited over white where they are not opaque.
// REQUIRES: !image.isNull(), and pictureSizeSupported(image's width, height).
std::vector<std::uint8_t> bmpFileOf(const QImage& image);

// The size Qt's reader will allocate for when it decodes the picture on
// `device`: the reader's own size, or a GIF's logical screen when that is
// larger (the GIF reader reports the first frame but allocates the whole
// screen). Invalid when the reader cannot tell, and for a PNG whose chunks
// claim more bytes than the file holds (the reader is not asked then).
// Leaves `device` at its start.
QSize decodedSizeBound(QIODevice& device);

}  // namespace vok

#endif  // VOK_IMPORT_QT_PICTURE_DECODER_H_
