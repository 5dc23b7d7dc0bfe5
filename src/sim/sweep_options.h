// The option texts of `vok-sim sweep` turned into checked values: the P0
// list, counts and the shard.
#ifndef VOK_SIM_SWEEP_OPTIONS_H_
#define VOK_SIM_SWEEP_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sweep_engine.h"

namespace vok::sim {

inline constexpr std::size_t kMaxPoints = 100000;
inline constexpr std::int32_t kMaxRandomSymbols = 1 << 24;

// "FROM:TO:STEP" (FROM, FROM + STEP, ... up to TO, which is included when it
// is reached within rounding) or a comma list "0.1,0.2". Every P0 becomes the
// nearest float, as the settings dialog takes it, and must lie in 0..1; no
// P0 may appear twice. On failure returns nullopt and sets `error`.
std::optional<std::vector<float>> parseP0List(std::string_view text, std::string& error);

// "I/N" with 1 <= I <= N <= 100000.
std::optional<Shard> parseShardText(std::string_view text);

// A decimal integer in min..max and nothing else.
std::optional<std::int64_t> parseCount(std::string_view text, std::int64_t min, std::int64_t max);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_OPTIONS_H_
