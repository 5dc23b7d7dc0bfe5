// Reading the 24-bit picture "pic.bmp" and thinning it out to fit the source
// pane. Every byte of the reduced picture is one symbol of the code.
//
// Image buffers hold packed pixels of 3 bytes (blue, green, red), rows
// without padding, the picture's bottom row first.
#ifndef VOK_PICTURE_PICTURE_H_
#define VOK_PICTURE_PICTURE_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vok {

// The reduced picture's size in pixels.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const Picture&) const = default;
};

enum class PictureLoadStatus {
  Loaded,
  FileMissing,  // the file cannot be opened
  Not24Bit,     // biBitCount is not 24 (also a file too short for its headers)
  Unsupported,  // 24-bit, but width or height <= 0, or too large to hold
};

// Largest total size of the four image buffers; larger pictures are refused
// as Unsupported before anything is allocated.
//
// Memory rule: the four buffers (imageBytes each) are the only allocations
// whose size comes from the header, so no header, whatever it claims, makes
// a load allocate more than this. The pixel array is read row by row,
// straight into sourceImage, from what the file really holds; there is no
// copy of the file or of the unpadded picture. A header that claims more than
// the file holds still gets its full buffers (a short pixel array loads, its
// missing bytes 0), within this limit.
inline constexpr std::int64_t kMaxTotalImageBytes = std::int64_t{1} << 30;

// Whether the loader takes a 24-bit picture of width x height pixels: both
// positive, and its sizes and four buffers within the limits above. Readers
// of other formats ask this before they decode anything.
bool pictureSizeSupported(std::int64_t width, std::int64_t height);

// Client size of a pane, in points.
struct PaneSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// What a successful load hands to its owner.
struct LoadedPicture {
  Picture picture;
  std::int32_t imageBytes = 0;   // height * rowStride of the unreduced picture
  std::int32_t symbolCount = 0;  // reduced width * height * 3
  // Four buffers of imageBytes bytes each.
  std::vector<std::uint8_t> sourceImage;    // reduced picture, then 0xFF
  std::vector<std::uint8_t> channelImage;   // all 0xFF
  std::vector<std::uint8_t> decodedImage;   // all 0xFF
  std::vector<std::uint8_t> correctionMap;  // all 0xFF
};

// Loads the picture at `path` and reduces it for `pane`; with no pane the
// picture is not reduced. Missing bytes of a short pixel array read as 0.
// On any status but Loaded, `out` is left empty.
PictureLoadStatus loadPicture(const std::string& path, std::optional<PaneSize> pane,
                              LoadedPicture& out);

// The same for the bytes of a file already in memory.
PictureLoadStatus loadPictureFromBytes(std::span<const std::uint8_t> file,
                                       std::optional<PaneSize> pane, LoadedPicture& out);

// Thins out the unpadded w x h picture `pixels` for a pane of paneWidth x
// paneHeight points and writes the result to `out` (room for w * h * 3
// bytes), returning its size. Rows and columns are dropped by the same rule
// (every fourth, every third, or all but every k-th); when nothing would
// survive, the picture is copied unreduced. `out` may be `pixels` itself
// (the reduction then works in place). A pane side of 0 counts as infinitely
// exceeded, so the picture falls back to unreduced.
// REQUIRES: w, h >= 1; room for w * h * 3 bytes at `pixels` and `out`.
Picture reducePicture(const std::uint8_t* pixels, std::int32_t w, std::int32_t h,
                      std::int32_t paneWidth, std::int32_t paneHeight, std::uint8_t* out);

}  // namespace vok

#endif  // VOK_PICTURE_PICTURE_H_
