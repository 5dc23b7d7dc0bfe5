// Timing of picture loading (a 4000 x 3000 24-bit file already in memory,
// not reduced), in MB of file per second, and of the reduction of its
// pixels for a pane the size of the window's source pane.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "picture/bmp_writer.h"
#include "picture/picture.h"

namespace vok::bench {
namespace {

constexpr std::int32_t kWidth = 4000;
constexpr std::int32_t kHeight = 3000;

const std::vector<std::uint8_t>& pixels() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> p(std::size_t{1} * kWidth * kHeight * 3);
    for (std::size_t n = 0; n < p.size(); ++n) p[n] = static_cast<std::uint8_t>(n * 7 / 3);
    return p;
  }();
  return bytes;
}

void loadPictureBench(benchmark::State& state) {
  const std::vector<std::uint8_t> file = encodeBmp(pixels().data(), kWidth, kHeight);
  for (auto _ : state) {
    LoadedPicture loaded;
    const PictureLoadStatus status = loadPictureFromBytes(file, std::nullopt, loaded);
    benchmark::DoNotOptimize(loaded.sourceImage.data());
    if (status != PictureLoadStatus::Loaded) state.SkipWithError("picture not loaded");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(file.size()));
}

void reducePictureBench(benchmark::State& state) {
  const std::int32_t paneWidth = static_cast<std::int32_t>(state.range(0));
  const std::int32_t paneHeight = static_cast<std::int32_t>(state.range(1));
  std::vector<std::uint8_t> out(pixels().size());
  for (auto _ : state) {
    const Picture reduced =
        reducePicture(pixels().data(), kWidth, kHeight, paneWidth, paneHeight, out.data());
    benchmark::DoNotOptimize(reduced);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(pixels().size()));
}

BENCHMARK(loadPictureBench)->Name("load_picture/4000x3000")->Unit(benchmark::kMillisecond);
BENCHMARK(reducePictureBench)
    ->Name("reduce_picture/4000x3000")
    ->Args({340, 280})
    ->ArgNames({"pane_w", "pane_h"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vok::bench
