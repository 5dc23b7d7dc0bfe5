// The Q-ary symmetric channel: the corruption rule and the Q line of the
// parameter block.
#include "channel/qary_channel.h"

#include <bit>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "channel/draw_stream.h"
#include "channel/error_value.h"
#include "channel/error_value_closed_form.h"
#include "common/number_text.h"
#include "common/text_encoding.h"

namespace vok {

namespace {

// (src + n) mod Q as a signed remainder; in the usual case of src in 0..Q-1,
// a subtraction of Q or 0 chosen without a branch.
inline std::int32_t reduceSum(std::int32_t sum, std::int32_t q) {
  const auto unsignedSum = static_cast<std::uint32_t>(sum);
  return unsignedSum < 2 * static_cast<std::uint32_t>(q) ? sum - (sum >= q ? q : 0) : sum % q;
}

// Bit i set where numerators[i] <= limit (an error draw), for i < count.
// REQUIRES: count <= 64; numerators below 2^31; limit in -1 .. 2^31 - 1.
inline std::uint64_t errorBits(const std::uint32_t* numerators, std::int32_t count,
                               std::int64_t limit) {
  std::uint64_t errors = 0;
  std::int32_t i = 0;
#if defined(__SSE2__)
  // Four at a time: as int32 the numerators are not negative and the limit
  // fits, so "y <= limit" is "not y > limit".
  const __m128i bound = _mm_set1_epi32(static_cast<std::int32_t>(limit));
  for (; i + 4 <= count; i += 4) {
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(numerators + i));
    const auto above =
        static_cast<std::uint64_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(y, bound))));
    errors |= (above ^ 0xF) << i;
  }
#endif
  for (; i < count; ++i) errors |= std::uint64_t{numerators[i] <= limit} << i;
  return errors;
}

// Takes the numerators of a block of draws at a time from `draw(numerators,
// n)`, and adds to each symbol whose numerator is at most `limit` (an error
// draw) the error value `errorOf` gives for it. Most draws are no error:
// the symbols are copied whole, and only the errors, found by the bits of
// a mask, are looked up and added. `errorOf` must take any numerator.
template <typename Symbol, typename Draw, typename ErrorOf>
void transmitInBlocks(Draw draw, const Symbol* src, Symbol* dst, std::int32_t count, std::int32_t q,
                      std::int64_t limit, ErrorOf errorOf) {
  constexpr std::int32_t kBlock = DrawStream::kBatch;
  std::uint32_t numerators[kBlock];
  // Where errors are many, every symbol takes its value, kept by a mask
  // rather than a branch: which draws are errors is random.
  const bool sparse = limit < std::int64_t{RandomGenerator::kMaskB} / 2;
  for (std::int32_t first = 0; first < count; first += kBlock) {
    const std::int32_t n = count - first < kBlock ? count - first : kBlock;
    draw(numerators, n);
    const Symbol* from = src + first;
    Symbol* to = dst + first;
    const auto addToEach = [&] {
      for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t e =
            errorOf(numerators[i]) & -static_cast<std::int32_t>(numerators[i] <= limit);
        to[i] = static_cast<Symbol>(reduceSum(static_cast<std::int32_t>(from[i]) + e, q));
      }
    };
    if (!sparse) {
      addToEach();
      continue;
    }
    // A symbol outside 0..Q-1 is reduced even without an error.
    std::uint32_t outside = 0;
    for (std::int32_t i = 0; i < n; ++i) {
      to[i] = from[i];
      outside |= static_cast<std::uint32_t>(static_cast<std::uint32_t>(from[i]) >=
                                            static_cast<std::uint32_t>(q));
    }
    if (outside != 0) {
      addToEach();
      continue;
    }
    for (std::int32_t word = 0; word < n; word += 64) {
      const std::int32_t end = n - word < 64 ? n : word + 64;
      for (std::uint64_t errors = errorBits(numerators + word, end - word, limit); errors != 0;
           errors &= errors - 1) {
        const std::int32_t i = word + std::countr_zero(errors);
        to[i] = static_cast<Symbol>(
            reduceSum(static_cast<std::int32_t>(from[i]) + errorOf(numerators[i]), q));
      }
    }
  }
}

// The same with the numerators from the generator's bit stream when there
// are enough draws to pay for starting it, else jumped draw by draw, several
// states side by side.
template <typename Symbol, typename ErrorOf>
void transmitInBlocks(RandomGenerator& random, const Symbol* src, Symbol* dst, std::int32_t count,
                      std::int32_t q, std::int64_t limit, ErrorOf errorOf) {
  if (count >= DrawStream::kWorthwhile) {
    DrawStream stream(random);
    transmitInBlocks([&](std::uint32_t* numerators, std::int32_t n) { stream.take(numerators, n); },
                     src, dst, count, q, limit, errorOf);
    return;
  }
  transmitInBlocks(
      [&](std::uint32_t* numerators, std::int32_t n) { random.nextNumerators(numerators, n); }, src,
      dst, count, q, limit, errorOf);
}

}  // namespace

void QaryChannel::printSummary(std::FILE* stream) const {
  const std::string bytes =
      utf8ToCp1251("\nВероятность ошибки: P0=" + formatExponent(p0(), 2, 6) + "\n");
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void QaryChannel::transmit(const std::int32_t* src, std::int32_t* dst, std::int32_t count) {
  transmitSymbols(src, dst, count);
}

void QaryChannel::transmit(const std::uint8_t* src, std::uint8_t* dst, std::int32_t count) {
  transmitSymbols(src, dst, count);
}

template <typename Symbol>
void QaryChannel::transmitSymbols(const Symbol* src, Symbol* dst, std::int32_t count) {
  const float p0Value = p0();
  const std::int32_t q = q_;
  const float d = detail::errorStep(p0Value, q);
  if (count <= 0) return;
  RandomGenerator& random = generator();
  // The draw r = y / B is an error when y <= the largest such numerator
  // (-1 when none is, also for a NaN P0).
  const std::int64_t errorLimit = detail::largestErrorNumerator(p0Value);
  const double step = d;
  const double inverse = 1.0 / step;
  if (errorValues_.prepare(p0Value, q)) {
    // The error value looked up from the numerator (error_value_table.h).
    transmitInBlocks(random, src, dst, count, q, errorLimit,
                     [&](std::uint32_t y) { return errorValues_.value(y); });
    return;
  }
  transmitInBlocks(random, src, dst, count, q, errorLimit, [&](std::uint32_t y) {
    const double r = static_cast<double>(y) / static_cast<double>(RandomGenerator::kMaskB);
    return detail::coveringMultipleNearEstimate(static_cast<float>(r), step, inverse, q);
  });
}

void QaryChannel::printParameters(std::FILE* stream) const {
  Channel::printParameters(stream);
  const std::string bytes =
      utf8ToCp1251("Канал с Q=" + std::to_string(q_) + " ортогональными сигналами\n");
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace vok
