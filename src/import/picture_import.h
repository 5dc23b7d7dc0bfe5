// Reading a picture file of any format the build's Qt image reader handles
// into the buffers the BMP loader makes. A 24-bit BMP goes to the loader
// itself; any other picture is decoded with Qt (EXIF orientation applied,
// transparency composited over white) and handed to the loader as the
// 24-bit BMP of the same pixels, so both give byte-identical buffers.
//
// This unit links Qt Gui (never Widgets) and keeps Qt out of the core: the
// window and vok-sim use it, the core only sees a PictureReader.
#ifndef VOK_IMPORT_PICTURE_IMPORT_H_
#define VOK_IMPORT_PICTURE_IMPORT_H_

#include <QIODevice>
#include <QImage>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/experiment.h"
#include "picture/picture.h"

namespace vok {

// Reads the picture at `path` and reduces it for `pane` (not reduced when
// absent). Failure messages name the file by its file name. On failure
// `out` is left empty.
PictureOutcome importPicture(const std::string& path, std::optional<PaneSize> pane,
                             LoadedPicture& out);

// The same for a file's bytes already in memory, named `name` in messages.
PictureOutcome importPictureFromBytes(std::span<const std::uint8_t> bytes, std::string_view name,
                                      std::optional<PaneSize> pane, LoadedPicture& out);

// importPicture of `path`, as the Experiment takes a picture.
PictureReader pictureFileReader(std::string path);

// The 24-bit BMP file (headers, then rows bottom row first, blue, green,
// red, each row padded to a multiple of 4 bytes) of `image`'s pixels,
// composited over white where they are not opaque.
// REQUIRES: !image.isNull(), and pictureSizeSupported(image's width, height).
std::vector<std::uint8_t> bmpFileOf(const QImage& image);

// The picture `pixels` of the loader's layout (width x height, rows bottom
// row first, blue, green, red, no padding) as an upright image.
QImage imageOf(const std::uint8_t* pixels, std::int32_t width, std::int32_t height);

// The size Qt's reader will allocate for when it decodes the picture on
// `device`: the reader's own size, or a GIF's logical screen when that is
// larger (the GIF reader reports the first frame but allocates the whole
// screen). Invalid when the reader cannot tell, and for a PNG whose chunks
// claim more bytes than the file holds (the reader is not asked then).
// Leaves `device` at its start.
QSize decodedSizeBound(QIODevice& device);

// File name patterns ("*.png", ...) of every format the build can read.
QStringList readablePicturePatterns();

}  // namespace vok

#endif  // VOK_IMPORT_PICTURE_IMPORT_H_
