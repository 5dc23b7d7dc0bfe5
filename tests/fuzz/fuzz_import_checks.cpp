// Any bytes through importPictureFromBytes: a failure leaves no buffers and
// says why; a success gives the buffers of the loader's layout, the picture
// fitted to the pane.
#include "fuzz_import_checks.h"
#include "fuzz_check.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "import/picture_import.h"

namespace vok::fuzz {
namespace {

// Pictures larger than this many pixels are skipped by the harness (not by
// the reader) to keep executions fast and within the fuzzer's memory limit;
// the refusal of really large claims is unit-tested.
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 15;

std::int64_t le32(std::span<const std::uint8_t> d, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= std::uint32_t{d[at + i]} << (8 * i);
  return static_cast<std::int32_t>(v);
}

// Whether the harness runs this file: its claimed size is small, or known
// only to the BMP loader (which allocates from what the file holds).
bool smallEnough(std::span<const std::uint8_t> file) {
  if (file.size() >= 30 && file[0] == 'B' && file[1] == 'M') {
    const std::int64_t w = le32(file, 18);
    const std::int64_t h = le32(file, 22);
    if (w * h > kMaxFuzzPixels || w * h < -kMaxFuzzPixels) return false;
  }
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()),
                                             static_cast<qsizetype>(file.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  const QSize size = decodedSizeBound(buffer);
  return size.isValid() && std::int64_t{size.width()} * size.height() <= kMaxFuzzPixels;
}

bool allEqual(const std::vector<std::uint8_t>& v, std::size_t from, std::uint8_t value) {
  return std::all_of(v.begin() + static_cast<std::ptrdiff_t>(from), v.end(),
                     [value](std::uint8_t b) { return b == value; });
}

}  // namespace

void checkPictureImport(std::span<const std::uint8_t> data) {
  if (data.size() < 4) return;
  const auto paneW = static_cast<std::int16_t>(data[0] | (data[1] << 8));
  const auto paneH = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  const std::span<const std::uint8_t> file = data.subspan(4);
  if (!smallEnough(file)) return;
  std::optional<PaneSize> pane;
  if (paneW != INT16_MIN) pane = PaneSize{paneW, paneH};

  LoadedPicture p;
  const PictureOutcome outcome = importPictureFromBytes(file, "fuzz", pane, p);
  if (outcome.status != InitStatus::Ok) {
    FUZZ_CHECK(!outcome.message.empty());
    FUZZ_CHECK(p.sourceImage.empty() && p.channelImage.empty() && p.decodedImage.empty() &&
               p.correctionMap.empty() && p.imageBytes == 0 && p.symbolCount == 0);
    return;
  }
  const Picture& r = p.picture;
  FUZZ_CHECK(r.width >= 1 && r.height >= 1);
  FUZZ_CHECK(std::int64_t{p.symbolCount} == std::int64_t{r.width} * r.height * 3);
  FUZZ_CHECK(p.symbolCount <= p.imageBytes);
  const auto bytes = static_cast<std::size_t>(p.imageBytes);
  FUZZ_CHECK(p.sourceImage.size() == bytes && p.channelImage.size() == bytes &&
             p.decodedImage.size() == bytes && p.correctionMap.size() == bytes);
  FUZZ_CHECK(allEqual(p.sourceImage, static_cast<std::size_t>(p.symbolCount), 0xFF));
  FUZZ_CHECK(allEqual(p.channelImage, 0, 0xFF) && allEqual(p.decodedImage, 0, 0xFF));
}

}  // namespace vok::fuzz
