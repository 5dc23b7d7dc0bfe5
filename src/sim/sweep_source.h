// The information block and code a sweep sends: a picture (pic.bmp in the
// directory, or a file of any readable format) or random symbols, with the
// code files of the directory or the built-in code.
#ifndef VOK_SIM_SWEEP_SOURCE_H_
#define VOK_SIM_SWEEP_SOURCE_H_

#include <memory>
#include <string>

#include "sim/sweep_engine.h"
#include "sim/sweep_settings.h"

namespace vok::sim {

// The information block and code of a sweep, or why they cannot be had.
struct SourceOrFailure {
  std::unique_ptr<SweepSource> source;
  std::string kind;     // "random" or "picture"
  std::string failure;  // Russian message (UTF-8) when no source
};

// Reads the picture (or draws the random symbols) and the code files named
// by the source fields of `settings` (directory, randomSymbols, pane,
// picture, seed).
SourceOrFailure makeSource(const SweepSettings& settings);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_SOURCE_H_
