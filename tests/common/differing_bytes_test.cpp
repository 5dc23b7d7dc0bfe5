#include "common/differing_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace vok {
namespace {

// Lengths about each vector width and past the 255 vectors a byte counter
// holds, with the differing bytes anywhere, the last one included.
TEST(CountDifferingBytes, CountsAtEveryLengthAboutTheVectorsAndTheirCounters) {
  std::mt19937 gen(7);
  for (std::int32_t count : {0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 65, 255 * 16, 255 * 32,
                             255 * 32 + 1, 255 * 32 * 3 + 47, 100000}) {
    std::vector<std::uint8_t> a(static_cast<std::size_t>(count));
    for (auto& v : a) v = static_cast<std::uint8_t>(gen());
    std::vector<std::uint8_t> b = a;
    std::int64_t expected = 0;
    for (std::int32_t n = 0; n < count; ++n) {
      if (gen() % 3 == 0 || n == count - 1) {
        b[static_cast<std::size_t>(n)] ^= static_cast<std::uint8_t>(1 + gen() % 255);
        ++expected;
      }
    }
    EXPECT_EQ(countDifferingBytes(a.data(), b.data(), count), expected) << "count " << count;
    EXPECT_EQ(countDifferingBytes(a.data(), a.data(), count), 0) << "count " << count;
  }
}

}  // namespace
}  // namespace vok
