// The abstract channel: owns the generator and writes the parameter block
// every channel shares.
#include "channel/channel.h"

#include <string>

#include "common/number_text.h"
#include "common/text_encoding.h"

namespace vok {

Channel::Channel() : generator_(std::make_unique<RandomGenerator>()) {}

Channel::~Channel() = default;

void Channel::printParameters(std::FILE* stream) const {
  std::string text = "\nПараметры канала связи:\n";
  text += "Вероятность ошибки: P0=" + formatExponent(p0_, 2, 6) + "\n";
  text += "Инициализация датчика случайных чисел: kst=" + std::to_string(kst_) + "\n";
  const std::string bytes = utf8ToCp1251(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

bool Channel::reseed() {
  generator_->seed(kst_);
  return true;
}

}  // namespace vok
