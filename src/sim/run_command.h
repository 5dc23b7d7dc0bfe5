// `vok-sim run`: one experiment driven without a window. It reads
// "pic.bmp", "encoder.vok" and "decoder.vok" from a directory, transmits the
// picture K times (repeating in between, so each transmission meets fresh
// channel errors), decodes each transmission to the end without pausing, and
// reports the counts as text or as JSON lines.
#ifndef VOK_SIM_RUN_COMMAND_H_
#define VOK_SIM_RUN_COMMAND_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "picture/picture.h"
#include "sim/command_registry.h"

namespace vok::sim {

// The option texts of `run` exactly as given on the command line.
struct RunOptionTexts {
  std::string directory = ".";
  std::optional<std::string> pane;
  std::optional<std::string> picture;
  std::string p0 = "0.25";
  std::string seed = "123";
  std::string transmissions = "1";
  bool json = false;
  std::optional<std::string> imageDirectory;
};

// The most transmissions one run makes.
inline constexpr std::int32_t kMaxTransmissions = 1000000;

// The converted and checked settings of one run.
struct RunSettings {
  std::string directory = ".";
  std::optional<PaneSize> pane;  // absent: the picture is not reduced
  // A picture file of any readable format, in place of pic.bmp in the
  // directory (which still holds the code files).
  std::optional<std::string> picture;
  float p0 = 0.25f;
  std::int32_t seed = 123;
  std::optional<std::string> seedNote;  // how an out-of-range --seed text was taken
  std::int32_t transmissions = 1;
  bool json = false;
  std::optional<std::string> imageDirectory;
};

// "WxH" with two positive decimal ints and nothing else; nullopt otherwise.
std::optional<PaneSize> parsePaneText(std::string_view text);

// A non-negative decimal int and nothing else; nullopt otherwise.
std::optional<std::int32_t> parseTransmissionsText(std::string_view text);

// A note for stderr when the seed text `text`, taken as `seed` by the
// settings dialog's rule, names a whole number other than `seed` (it
// overflowed the 64 or the 32 bits, e.g. "1e400" or "4294967296" give 0);
// nullopt when the number fits. Dropping a fraction ("12.9") is not noted.
std::optional<std::string> seedConversionNote(std::string_view text, std::int32_t seed);

// The --seed text as the settings dialog takes it, and in `note` how an
// out-of-range one was taken; nullopt with `error` set when it is not a
// number.
std::optional<std::int32_t> parseSeedOption(const std::string& text,
                                            std::optional<std::string>& note, std::string& error);

// Converts the option texts: P0 and the seed exactly as the settings dialog
// converts an accepted text. On failure returns nullopt and sets `error` to a
// one-line description of the offending option.
std::optional<RunSettings> convertRunOptions(const RunOptionTexts& texts, std::string& error);

// Runs the experiment and writes its report. SIGINT or SIGTERM during the
// run ends it after the running transmission; the pictures are still saved.
// Returns kExitOk, kExitInitFailure when initialisation failed (the message
// also goes to streams.err), kExitBadArguments when the image directory
// cannot be created or written, or 128 + the signal's number when
// interrupted.
int runExperiment(const RunSettings& settings, CommandStreams& streams);

// Adds the `run` subcommand.
void addRunCommand(CommandRegistry& registry);

}  // namespace vok::sim

#endif  // VOK_SIM_RUN_COMMAND_H_
