// The invariants every reader of user input must keep, whatever the bytes:
// each check feeds the input to a reader and aborts with a message when the
// outcome is inconsistent. Sanitizers catch what the checks cannot see
// (out-of-bounds reads, leaks, undefined behaviour).
#include "fuzz_checks.h"
#include "fuzz_check.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/code_description.h"
#include "codec/codec.h"
#include "codec/decoder_schedule.h"
#include "common/number_text.h"
#include "experiment/experiment.h"
#include "picture/bmp_writer.h"
#include "picture/pane_geometry.h"
#include "picture/picture.h"

namespace vok::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le(Input d, std::size_t at, std::size_t size) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (at + i < d.size()) v |= std::uint32_t{d[at + i]} << (8 * i);
  }
  return v;
}

// The header's claim, as far as the harness needs it: a 24-bit picture the
// loader would accept, with this many bytes per buffer (0 otherwise).
std::int64_t claimedImageBytes(Input file) {
  if (file.size() < 30 || le(file, 28, 2) != 24) return 0;
  const auto w = static_cast<std::int32_t>(le(file, 18, 4));
  const auto h = static_cast<std::int32_t>(le(file, 22, 4));
  if (w <= 0 || h <= 0) return 0;
  const std::int64_t stride = (std::int64_t{w} * 3 + 3) / 4 * 4;
  if (stride > INT32_MAX) return 0;
  const std::int64_t bytes = std::int64_t{h} * stride;
  return bytes <= INT32_MAX && bytes * 4 <= kMaxTotalImageBytes ? bytes : 0;
}

std::string_view textOf(Input data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// A private directory for the files of one run of this process.
// Removed with everything in it when the process ends normally.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    const std::filesystem::path shm("/dev/shm");
    const auto base =
        std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
    path_ = base / ("vok_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

const std::filesystem::path& scratchDirectory() {
  static const ScratchDirectory dir;
  return dir.path();
}

bool allEqual(const Bytes& v, std::size_t from, std::uint8_t value) {
  return std::all_of(v.begin() + static_cast<std::ptrdiff_t>(from), v.end(),
                     [value](std::uint8_t b) { return b == value; });
}

std::int64_t differences(const Bytes& a, const Bytes& b, std::size_t n) {
  std::int64_t count = 0;
  for (std::size_t i = 0; i < n; ++i) count += a[i] != b[i];
  return count;
}

void checkGeometry(std::int32_t cw, std::int32_t ch, const Picture& p) {
  const PaneGeometry g = fitToPane(cw, ch, p.width, p.height);
  FUZZ_CHECK(g.scale >= 0 && g.offsetX >= 0 && g.offsetY >= 0);
  if (g.scale > 0) {
    FUZZ_CHECK(std::int64_t{g.offsetX} * 2 + std::int64_t{p.width} * g.scale <= cw);
    FUZZ_CHECK(std::int64_t{g.offsetY} * 2 + std::int64_t{p.height} * g.scale <= ch);
  }
}

}  // namespace

void checkPicture(Input data) {
  if (data.size() < 4) return;
  const auto paneW = static_cast<std::int16_t>(le(data, 0, 2));
  const auto paneH = static_cast<std::int16_t>(le(data, 2, 2));
  const Input file = data.subspan(4);
  if (claimedImageBytes(file) > kMaxFuzzImageBytes) return;
  std::optional<PaneSize> pane;
  if (paneW != INT16_MIN) pane = PaneSize{paneW, paneH};

  LoadedPicture p;
  const PictureLoadStatus status = loadPictureFromBytes(file, pane, p);
  if (status != PictureLoadStatus::Loaded) {
    FUZZ_CHECK(p.sourceImage.empty() && p.channelImage.empty() && p.decodedImage.empty() &&
               p.correctionMap.empty() && p.imageBytes == 0 && p.symbolCount == 0);
    return;
  }
  const std::int32_t w = static_cast<std::int32_t>(le(file, 18, 4));
  const std::int32_t h = static_cast<std::int32_t>(le(file, 22, 4));
  const Picture& r = p.picture;
  FUZZ_CHECK(r.width >= 1 && r.height >= 1 && r.width <= w && r.height <= h);
  FUZZ_CHECK(std::int64_t{p.symbolCount} == std::int64_t{r.width} * r.height * 3);
  FUZZ_CHECK(p.imageBytes == claimedImageBytes(file) && p.symbolCount <= p.imageBytes);
  const auto bytes = static_cast<std::size_t>(p.imageBytes);
  FUZZ_CHECK(p.sourceImage.size() == bytes && p.channelImage.size() == bytes &&
             p.decodedImage.size() == bytes && p.correctionMap.size() == bytes);
  FUZZ_CHECK(allEqual(p.sourceImage, static_cast<std::size_t>(p.symbolCount), 0xFF));
  FUZZ_CHECK(allEqual(p.channelImage, 0, 0xFF) && allEqual(p.decodedImage, 0, 0xFF));
  // The reduced picture fits the pane, unless it fell back to unreduced.
  if (pane && pane->width >= 1 && pane->height >= 1 && r != Picture{w, h}) {
    FUZZ_CHECK(r.width <= pane->width && r.height <= pane->height);
  }

  checkGeometry(pane ? pane->width : w, pane ? pane->height : h, r);
  checkGeometry(400, 300, r);
  buildCorrectionMap(p.sourceImage.data(), p.channelImage.data(), p.decodedImage.data(), r.width,
                     r.height, p.correctionMap.data());
  FUZZ_CHECK(allEqual(p.correctionMap, 0, 0xFF));  // nothing decoded yet: all white

  // Read from a file, the same bytes load the same way.
  const std::filesystem::path path = scratchDirectory() / "picture.bmp";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  }
  LoadedPicture fromFile;
  FUZZ_CHECK(loadPicture(path.string(), pane, fromFile) == PictureLoadStatus::Loaded);
  FUZZ_CHECK(fromFile.picture == p.picture && fromFile.imageBytes == p.imageBytes &&
             fromFile.sourceImage == p.sourceImage);

  // The picture survives being written and read back.
  LoadedPicture back;
  FUZZ_CHECK(loadPictureFromBytes(encodeBmp(p.sourceImage.data(), r.width, r.height), std::nullopt,
                                  back) == PictureLoadStatus::Loaded);
  FUZZ_CHECK(back.picture == r);
  FUZZ_CHECK(std::equal(back.sourceImage.begin(), back.sourceImage.begin() + p.symbolCount,
                        p.sourceImage.begin()));
}

namespace {

// A valid block of the code: random information, encoded; loading it
// unchanged must give zero syndromes, and decoding must leave it alone.
void checkCodewordIsStable(const CodeDescription& code, const DecoderSchedule& schedule,
                           std::int32_t symbolCount, int iterations, Input noise) {
  Codec codec(code, schedule, symbolCount);
  if (!codec.loaded()) return;
  codec.setQ(256);
  const std::int32_t length = codec.branchLength();
  FUZZ_CHECK(length >= 1 && std::int64_t{length} * codec.nk() >= symbolCount);
  std::vector<std::int32_t> info(static_cast<std::size_t>(codec.nk()) * length);
  std::vector<std::int32_t> check(static_cast<std::size_t>(codec.nr()) * length);
  for (std::size_t x = 0; x < info.size(); ++x) {
    info[x] = noise.empty() ? static_cast<std::int32_t>(x * 37 % 256) : noise[x % noise.size()];
  }
  std::vector<std::int32_t*> infoPtr, checkPtr;
  for (int i = 0; i < codec.nk(); ++i) infoPtr.push_back(info.data() + std::size_t(i) * length);
  for (int j = 0; j < codec.nr(); ++j) checkPtr.push_back(check.data() + std::size_t(j) * length);
  codec.encode(infoPtr.data(), checkPtr.data());
  for (const std::int32_t s : check) FUZZ_CHECK(s >= 0 && s < 256);

  codec.loadReceived(infoPtr.data(), checkPtr.data());
  for (int j = 0; j < codec.nr(); ++j) {
    for (std::int32_t x = 0; x < length; ++x) FUZZ_CHECK(codec.syndrome(j)[x] == 0);
  }
  const int runs = std::min(iterations, codec.iterationCount());
  for (int k = 0; k < runs; ++k) codec.iterate(k);
  for (int i = 0; i < codec.nk(); ++i) {
    FUZZ_CHECK(std::equal(info.begin() + std::ptrdiff_t(i) * length,
                          info.begin() + std::ptrdiff_t(i + 1) * length, codec.decision(i)));
  }
}

}  // namespace

void checkCodeDescription(Input data) {
  CodeDescription code;
  if (!parseCodeDescription(textOf(data), code)) return;
  FUZZ_CHECK(code.nk >= 1 && code.nk <= kMaxBranches && code.nr >= 1 && code.nr <= kMaxBranches);
  int largest = 0;
  for (int i = 0; i < code.nk; ++i) {
    int total = 0;
    for (int j = 0; j < code.nr; ++j) total += code.taps[i][j].count();
    largest = std::max(largest, total);
  }
  FUZZ_CHECK(code.voteScratchCapacity() == largest + 1);
  const auto symbols = static_cast<std::int32_t>(1 + data.size() % 97);
  checkCodewordIsStable(code, DecoderSchedule::builtIn(), symbols, 2, data);
}

void checkSchedule(Input data) {
  DecoderSchedule schedule;
  if (!parseDecoderSchedule(textOf(data), schedule)) return;
  FUZZ_CHECK(schedule.itert >= 0 && schedule.itert <= kMaxIterations);
  const auto n = static_cast<std::size_t>(schedule.itert);
  FUZZ_CHECK(schedule.w.size() == n && schedule.t.size() == n && schedule.c.size() == n &&
             schedule.o.size() == n && schedule.p.size() == n && schedule.i.size() == n);
  DecoderSchedule bounded = schedule;
  bounded.bound(8, 8);
  for (std::size_t k = 0; k < n; ++k) {
    FUZZ_CHECK(bounded.p[k] != 0 && bounded.p[k] <= 8 && bounded.i[k] != 0 && bounded.i[k] <= 8);
    FUZZ_CHECK(bounded.p[k] < 0 ||
               bounded.p[k] == (schedule.p[k] == 0 ? 8 : std::min(schedule.p[k], 8)));
  }
  checkCodewordIsStable(CodeDescription::builtIn(), schedule, 200, 30, data);
}

namespace {

// printf's "%.*e" with the exponent widened to at least three digits.
std::string referenceExponent(double v, int precision, int width) {
  std::string text;
  if (std::isnan(v)) {
    text = "nan";
  } else if (std::isinf(v)) {
    text = v < 0 ? "-inf" : "inf";
  } else {
    char plain[512];
    std::snprintf(plain, sizeof plain, "%.*e", precision, v);
    const char* e = std::strchr(plain, 'e');
    char wide[520];
    std::snprintf(wide, sizeof wide, "%.*s%c%03d", static_cast<int>(e - plain) + 1, plain, e[1],
                  std::abs(std::atoi(e + 2)));
    text = wide;
  }
  const std::size_t pad = width > 0 ? static_cast<std::size_t>(width) : 0;
  return pad > text.size() ? std::string(pad - text.size(), ' ') + text : text;
}

void checkFormats(double v, int precision, int width) {
  FUZZ_CHECK(formatExponent(v, precision, width) == referenceExponent(v, precision, width));
  const auto f = static_cast<float>(v);
  if (std::isfinite(f)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(f));
    FUZZ_CHECK(formatFixed3(f) == buf);
  }
}

}  // namespace

void checkSettingsText(Input data) {
  if (data.empty()) return;
  const int precision = data[0] % 18;
  const int width = data[0] >> 3;
  const std::string_view text = textOf(data.subspan(1));

  // A random double, bit for bit, through the formats.
  if (data.size() >= 9) {
    double raw;
    std::memcpy(&raw, data.data() + 1, sizeof raw);
    checkFormats(raw, precision, width);
  }

  const std::optional<double> parsed = parseWholeDecimal(text);
  const std::optional<float> p0 = parseP0Text(text);
  const std::optional<std::int32_t> seed = parseSeedText(text);
  FUZZ_CHECK(parsed.has_value() == p0.has_value() && parsed.has_value() == seed.has_value());

  // strtod in the C locale is the reference for every decimal text.
  const std::string s(text);
  char* end = nullptr;
  const double reference = std::strtod(s.c_str(), &end);
  const bool wholeByStrtod = end != s.c_str() && end == s.c_str() + s.size();
  if (parsed) {
    FUZZ_CHECK(!std::isnan(*parsed));
    if (s.find_first_not_of(" \t\n\v\f\r") != std::string::npos) {
      FUZZ_CHECK(wholeByStrtod);
      FUZZ_CHECK(*parsed == reference && std::signbit(*parsed) == std::signbit(reference));
    } else {
      FUZZ_CHECK(s.empty() && *parsed == 0.0);  // only the empty text is 0 without digits
    }
    FUZZ_CHECK(*p0 == static_cast<float>(*parsed) && std::signbit(*p0) == std::signbit(*parsed));
    std::int32_t expectedSeed = 0;
    if (std::isfinite(*parsed) && std::fabs(*parsed) < 9223372036854775808.0) {
      expectedSeed = static_cast<std::int32_t>(static_cast<std::uint32_t>(
          static_cast<std::uint64_t>(static_cast<std::int64_t>(*parsed))));
    }
    FUZZ_CHECK(*seed == expectedSeed);
    checkFormats(*parsed, precision, width);
  } else if (wholeByStrtod && s.find_first_of("xXiInN") == std::string::npos &&
             s.find('\0') == std::string::npos) {
    std::fprintf(stderr, "rejected decimal text accepted by strtod: \"%s\"\n", s.c_str());
    std::abort();
  }
}

namespace {

class QuietObserver final : public NullExperimentObserver {
 public:
  void failure(const std::string& /*text*/) override { ++failures; }
  int failures = 0;
};

void writeOrRemove(const std::filesystem::path& path, std::optional<Input> bytes) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (!bytes) return;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
}

// Checks the counters against a direct comparison of the images. The
// decoder errors describe the last iteration run, so they are checked only
// once one has run.
void checkCounters(const Experiment& e, const Bytes& source, bool iterated) {
  const auto n = static_cast<std::size_t>(e.symbolCount());
  FUZZ_CHECK(e.sourceImage() == source);
  FUZZ_CHECK(e.channelErrors() == differences(e.channelImage(), source, n));
  if (iterated) FUZZ_CHECK(e.decoderErrors() == differences(e.decodedImage(), source, n));
}

constexpr std::int64_t kMaxExperimentImageBytes = std::int64_t{1} << 18;
constexpr char kSeparator[] = "@@@";

}  // namespace

void checkExperiment(Input data) {
  if (data.size() < 8) return;
  const std::int32_t paneW = data[0];
  const std::int32_t paneH = data[1];
  const float p0 = static_cast<float>(data[2]) / 255.0f;
  const auto seed = static_cast<std::int32_t>(le(data, 3, 4));
  const std::uint8_t flags = data[7];
  const std::string_view rest = textOf(data.subspan(8));

  // picture @@@ encoder.vok @@@ decoder.vok; an absent part is an absent file.
  std::vector<Input> parts;
  std::size_t from = 0;
  while (parts.size() < 2) {
    const std::size_t at = rest.find(kSeparator, from);
    if (at == std::string_view::npos) break;
    parts.push_back(data.subspan(8 + from, at - from));
    from = at + 3;
  }
  parts.push_back(data.subspan(8 + from));
  if (claimedImageBytes(parts[0]) > kMaxExperimentImageBytes) return;

  const auto& dir = scratchDirectory();
  writeOrRemove(dir / "pic.bmp", parts[0]);
  writeOrRemove(dir / "encoder.vok", parts.size() > 1 ? std::optional(parts[1]) : std::nullopt);
  writeOrRemove(dir / "decoder.vok", parts.size() > 2 ? std::optional(parts[2]) : std::nullopt);

  QuietObserver observer;
  Experiment e(observer, dir.string(), [](int) {});
  std::optional<PaneSize> pane;
  if (flags & 1) pane = PaneSize{paneW, paneH};
  const InitStatus status = e.initialise(pane, PaneSize{400, 300}, p0, seed);
  if (status != InitStatus::Ok) {
    FUZZ_CHECK(observer.failures == 1);
    FUZZ_CHECK(e.available() == AvailableActions{});
    return;
  }
  const Bytes source = e.sourceImage();
  const int rounds = 1 + (flags >> 1 & 1);
  for (int round = 0; round < rounds; ++round) {
    FUZZ_CHECK(e.available().transmit);
    e.transmit();
    checkCounters(e, source, false);
    FUZZ_CHECK(e.decodedImage() == e.channelImage());
    for (int k = 0; k < 3 && e.available().iterate; ++k) {
      e.iterateOnce();
      checkCounters(e, source, e.iteration() > 0);
    }
    // Decoding to the end is costly under coverage tracing: small runs only.
    if (flags & 4 && e.itert() <= 20 && e.symbolCount() <= 4096 && e.available().decodeAll) {
      e.decodeAll();
      checkCounters(e, source, e.iteration() > 0);
    }
    e.rebuildCorrectionMap();
    FUZZ_CHECK(e.available().repeat);
    e.repeat();
    FUZZ_CHECK(allEqual(e.channelImage(), 0, 0xFF) && allEqual(e.decodedImage(), 0, 0xFF));
  }
  e.shutDown();
}

}  // namespace vok::fuzz
