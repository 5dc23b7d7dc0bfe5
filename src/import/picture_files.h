// Reading a picture file of any format into the buffers the BMP loader
// makes, with the decoding of formats other than 24-bit BMP left to a
// PictureDecoder. A 24-bit BMP goes to the loader itself; any other picture
// is decoded into the 24-bit BMP of the same pixels and handed to the
// loader, so both give byte-identical buffers.
//
// This unit has no Qt: the window links the Qt decoder (picture_import.h),
// while vok-sim loads it from a module only when a picture needs it, so
// that the simulator starts without loading Qt.
#ifndef VOK_IMPORT_PICTURE_FILES_H_
#define VOK_IMPORT_PICTURE_FILES_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/experiment.h"
#include "picture/picture.h"

namespace vok {

// What a decoder made of a file's bytes.
enum class DecodeStatus {
  kDecoded,      // `bmp` holds the 24-bit BMP file of the picture
  kUnreadable,   // no picture the decoder reads, or a damaged one
  kUnsupported,  // a picture of a size the loader does not take
  kNoDecoder,    // no decoder could be had; `failure` says why
};

struct DecodedPicture {
  DecodeStatus status = DecodeStatus::kUnreadable;
  std::vector<std::uint8_t> bmp;
  std::string failure;  // Russian (UTF-8), for kNoDecoder
};

// Decodes the bytes of a picture file that is not a 24-bit BMP.
using PictureDecoder = std::function<DecodedPicture(std::span<const std::uint8_t> file)>;

// Whether a file starting with `head` is a 24-bit BMP ("BM", biBitCount 24):
// such a file goes to the loader unchanged, whatever else its header says.
bool isBmp24(std::span<const std::uint8_t> head);

// Reads the picture at `path` and reduces it for `pane` (not reduced when
// absent). Failure messages name the file by its file name. On failure
// `out` is left empty.
PictureOutcome importPictureWith(const PictureDecoder& decoder, const std::string& path,
                                 std::optional<PaneSize> pane, LoadedPicture& out);

// The same for a file's bytes already in memory, named `name` in messages.
PictureOutcome importPictureBytesWith(const PictureDecoder& decoder,
                                      std::span<const std::uint8_t> bytes, std::string_view name,
                                      std::optional<PaneSize> pane, LoadedPicture& out);

// importPictureWith of `path`, as the Experiment takes a picture.
PictureReader pictureReaderWith(PictureDecoder decoder, std::string path);

}  // namespace vok

#endif  // VOK_IMPORT_PICTURE_FILES_H_
