// Writes a width x height 24-bit picture (a smooth colour pattern) for the
// whole-run timing: make_bench_picture OUT.bmp [WIDTH HEIGHT].
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "picture/bmp_writer.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: %s OUT.bmp [WIDTH HEIGHT]\n", argv[0]);
    return 1;
  }
  const std::int32_t width = argc == 4 ? std::atoi(argv[2]) : 1000;
  const std::int32_t height = argc == 4 ? std::atoi(argv[3]) : 1000;
  if (width <= 0 || height <= 0 || width > 20000 || height > 20000) {
    std::fprintf(stderr, "bad size\n");
    return 1;
  }
  std::vector<std::uint8_t> pixels(std::size_t{1} * width * height * 3);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = &pixels[(std::size_t{1} * y * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = static_cast<std::uint8_t>((x + y) / 8);
    }
  }
  return vok::writeBmp(argv[1], pixels.data(), width, height) ? 0 : 1;
}
