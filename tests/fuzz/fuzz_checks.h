// One check per fuzzed reader: each feeds arbitrary bytes to a reader of
// user-supplied input and aborts, with a message, when the result breaks an
// invariant. The libFuzzer targets call them, and the ordinary test suite
// replays the committed corpus and every past finding through them.
#ifndef VOK_TESTS_FUZZ_FUZZ_CHECKS_H_
#define VOK_TESTS_FUZZ_FUZZ_CHECKS_H_

#include <cstdint>
#include <span>

namespace vok::fuzz {

using Input = std::span<const std::uint8_t>;

// The bytes of "pic.bmp", after four bytes that give the pane sizes.
void checkPicture(Input data);
// The text of "encoder.vok".
void checkCodeDescription(Input data);
// The text of "decoder.vok".
void checkSchedule(Input data);
// A text typed into the settings dialog, after one byte of format options.
void checkSettingsText(Input data);
// Picture, code and schedule files split at a marker, then initialise,
// transmit and a few decoding iterations.
void checkExperiment(Input data);

// The largest pixel array a fuzzed header may claim; larger claims are
// skipped by the harness (not by the loader) to keep executions fast. The
// refusal of really large claims is unit-tested.
inline constexpr std::int64_t kMaxFuzzImageBytes = std::int64_t{1} << 17;

}  // namespace vok::fuzz

#endif  // VOK_TESTS_FUZZ_FUZZ_CHECKS_H_
