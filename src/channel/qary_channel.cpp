// The Q-ary symmetric channel: the corruption rule and the Q line of the
// parameter block.
#include "channel/qary_channel.h"

#include <string>

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

// Takes the numerators of a block of draws at a time from `draw(numerators,
// n)`, and adds to each symbol the error value `errorOf` gives for its
// draw's numerator (0 for no error), with no branch on the outcome.
template <typename Symbol, typename Draw, typename ErrorOf>
void transmitInBlocks(Draw draw, const Symbol* src, Symbol* dst, std::int32_t count, std::int32_t q,
                      ErrorOf errorOf) {
  constexpr std::int32_t kBlock = DrawStream::kBatch;
  std::uint32_t numerators[kBlock];
  for (std::int32_t first = 0; first < count; first += kBlock) {
    const std::int32_t n = count - first < kBlock ? count - first : kBlock;
    draw(numerators, n);
    for (std::int32_t i = 0; i < n; ++i) {
      dst[first + i] = static_cast<Symbol>(
          reduceSum(static_cast<std::int32_t>(src[first + i]) + errorOf(numerators[i]), q));
    }
  }
}

// The same with the numerators from the generator's bit stream when there
// are enough draws to pay for starting it, else jumped draw by draw, several
// states side by side.
template <typename Symbol, typename ErrorOf>
void transmitInBlocks(RandomGenerator& random, const Symbol* src, Symbol* dst, std::int32_t count,
                      std::int32_t q, ErrorOf errorOf) {
  if (count >= DrawStream::kWorthwhile) {
    DrawStream stream(random);
    transmitInBlocks([&](std::uint32_t* numerators, std::int32_t n) { stream.take(numerators, n); },
                     src, dst, count, q, errorOf);
    return;
  }
  transmitInBlocks(
      [&](std::uint32_t* numerators, std::int32_t n) { random.nextNumerators(numerators, n); }, src,
      dst, count, q, errorOf);
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
    const auto limit = static_cast<std::uint32_t>(errorValues_.limit());
    transmitInBlocks(random, src, dst, count, q, [&](std::uint32_t y) {
      // Kept by a mask, not a branch: which draws are errors is random.
      return errorValues_.value(y) & -static_cast<std::int32_t>(y <= limit);
    });
    return;
  }
  transmitInBlocks(random, src, dst, count, q, [&](std::uint32_t y) {
    const double r = static_cast<double>(y) / static_cast<double>(RandomGenerator::kMaskB);
    const std::int32_t value =
        detail::coveringMultipleNearEstimate(static_cast<float>(r), step, inverse, q);
    return static_cast<std::int64_t>(y) <= errorLimit ? value : 0;
  });
}

void QaryChannel::printParameters(std::FILE* stream) const {
  Channel::printParameters(stream);
  const std::string bytes =
      utf8ToCp1251("Канал с Q=" + std::to_string(q_) + " ортогональными сигналами\n");
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace vok
