// The Q-ary symmetric channel: the corruption rule and the Q line of the
// parameter block.
#include "channel/qary_channel.h"

#include <string>

#include "channel/error_value.h"
#include "channel/error_value_closed_form.h"
#include "common/number_text.h"
#include "common/text_encoding.h"

namespace vok {

void QaryChannel::printSummary(std::FILE* stream) const {
  const std::string bytes =
      utf8ToCp1251("\nВероятность ошибки: P0=" + formatExponent(p0(), 2, 6) + "\n");
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void QaryChannel::transmit(const std::int32_t* src, std::int32_t* dst, std::int32_t count) {
  const float p0Value = p0();
  const std::int32_t q = q_;
  const float d = detail::errorStep(p0Value, q);
  if (count <= 0) return;
  RandomGenerator& random = generator();
  // The error value in closed form (error_value_closed_form.h): the same n
  // as the counting search, at a fixed cost per corrupted symbol.
  const double limit = p0Value;  // NaN: no draw is an error
  const double step = d;
  const double inverse = 1.0 / step;
  for (std::int32_t i = 0; i < count; ++i) {
    const double r = random.next();
    std::int32_t n = 0;
    if (r <= limit) n = detail::smallestCoveringMultiple(static_cast<float>(r), step, inverse, q);
    // (src + n) mod Q as a signed remainder; one subtraction in the usual
    // case of src in 0..Q-1.
    const std::int32_t sum = src[i] + n;
    dst[i] = sum >= 0 && sum < q ? sum : (sum >= q && sum - q < q ? sum - q : sum % q);
  }
}

void QaryChannel::printParameters(std::FILE* stream) const {
  Channel::printParameters(stream);
  const std::string bytes =
      utf8ToCp1251("Канал с Q=" + std::to_string(q_) + " ортогональными сигналами\n");
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace vok
