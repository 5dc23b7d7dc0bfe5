// Reading a picture file of any format the build's Qt image reader handles
// into the buffers the BMP loader makes (picture_files.h), with Qt's
// decoder linked in: the window's reader. Links Qt Gui (never Widgets) and
// keeps Qt out of the core, which only sees a PictureReader.
#ifndef VOK_IMPORT_PICTURE_IMPORT_H_
#define VOK_IMPORT_PICTURE_IMPORT_H_

#include <QImage>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "experiment/experiment.h"
#include "import/qt_picture_decoder.h"
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

// The picture `pixels` of the loader's layout (width x height, rows bottom
// row first, blue, green, red, no padding) as an upright image.
QImage imageOf(const std::uint8_t* pixels, std::int32_t width, std::int32_t height);

// File name patterns ("*.png", ...) of every format the build can read.
QStringList readablePicturePatterns();

}  // namespace vok

#endif  // VOK_IMPORT_PICTURE_IMPORT_H_
