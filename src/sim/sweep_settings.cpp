// Conversion of the `sweep` option texts into checked settings.
#include "sim/sweep_settings.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <limits>
#include <thread>

#include "common/number_text.h"
#include "sim/run_command.h"
#include "sim/sweep_options.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {
namespace {

// --blocks stops where the block seeds of a point would start to repeat.
constexpr std::int64_t kMaxBlocks = kBlockSeedModulus;
constexpr std::int64_t kMaxMinErrors = std::int64_t{1} << 40;

}  // namespace

void addSourceOptions(CLI::App& app, SourceOptionTexts& texts) {
  app.add_option("--dir", texts.directory,
                 "Directory with pic.bmp, encoder.vok and decoder.vok (default: current)");
  app.add_option("--random", texts.random,
                 "Send N random information symbols instead of the picture");
  app.add_option("--pane", texts.pane, "Reduce the picture for a WxH pane");
  app.add_option("--picture", texts.picture,
                 "Picture file of any readable format, in place of pic.bmp in --dir");
}

std::optional<SweepSettings> convertSweepOptions(const SweepOptionTexts& texts,
                                                 std::string& error) {
  SweepSettings s;
  s.directory = texts.directory;
  if (texts.random) {
    const auto n = parseCount(*texts.random, 1, kMaxRandomSymbols);
    if (!n) {
      error = "--random: '" + *texts.random + "' is not a whole number from 1 to " +
              std::to_string(kMaxRandomSymbols);
      return std::nullopt;
    }
    s.randomSymbols = static_cast<std::int32_t>(*n);
  }
  if (texts.picture) {
    if (texts.random) {
      error = "--picture: a sweep sends either a picture or --random symbols, not both";
      return std::nullopt;
    }
    if (texts.picture->empty()) {
      error = "--picture: the file name must not be empty";
      return std::nullopt;
    }
    s.picture = texts.picture;
  }
  if (texts.pane) {
    if (texts.random) {
      error = "--pane: only a picture is reduced, not --random symbols";
      return std::nullopt;
    }
    s.pane = parsePaneText(*texts.pane);
    if (!s.pane) {
      error = "--pane: '" + *texts.pane + "' is not WxH";
      return std::nullopt;
    }
  }
  const auto points = parseP0List(texts.p0, error);
  if (!points) return std::nullopt;
  s.points = *points;
  const auto blocks = parseCount(texts.blocks, 1, std::numeric_limits<std::int64_t>::max());
  if (!blocks) {
    error = "--blocks: '" + texts.blocks + "' is not a positive whole number";
    return std::nullopt;
  }
  if (*blocks > kMaxBlocks) {
    error = "--blocks: at most " + std::to_string(kMaxBlocks) +
            " (2^21): beyond that the block seeds of a point repeat";
    return std::nullopt;
  }
  s.blocks = *blocks;
  const auto minErrors = parseCount(texts.minErrors, 0, kMaxMinErrors);
  if (!minErrors) {
    error = "--min-errors: '" + texts.minErrors + "' is not a whole number >= 0";
    return std::nullopt;
  }
  s.minErrors = *minErrors;
  const auto minBlockErrors = parseCount(texts.minBlockErrors, 0, kMaxBlocks);
  if (!minBlockErrors) {
    error = "--min-block-errors: '" + texts.minBlockErrors + "' is not a whole number from 0 to " +
            std::to_string(kMaxBlocks);
    return std::nullopt;
  }
  s.minBlockErrors = *minBlockErrors;
  s.earlyStop = texts.stopOnZeroSyndromes ? EarlyStop::kSyndromes : EarlyStop::kSource;
  if (texts.threads) {
    const auto threads = parseCount(*texts.threads, 1, 1024);
    if (!threads) {
      error = "--threads: '" + *texts.threads + "' is not a whole number from 1 to 1024";
      return std::nullopt;
    }
    s.threads = static_cast<int>(*threads);
  } else {
    s.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }
  const auto seed = parseSeedOption(texts.seed, s.seedNote, error);
  if (!seed) return std::nullopt;
  s.seed = *seed;
  s.csv = texts.csv;
  s.svg = texts.svg;
  s.iterationsCsv = texts.iterationsCsv;
  if (s.iterationsCsv && (s.iterationsCsv == s.csv || s.iterationsCsv == s.svg)) {
    error = "--iterations-csv: give a file of its own, not the --csv or --svg file";
    return std::nullopt;
  }
  if (s.iterationsCsv && texts.shard) {
    error =
        "--iterations-csv: a shard's blocks are not the run's first blocks; run it without "
        "--shard";
    return std::nullopt;
  }
  s.resume = texts.resume;
  s.force = texts.force;
  if (s.resume && !s.csv) {
    error = "--resume needs --csv FILE to continue from";
    return std::nullopt;
  }
  if (s.resume && s.force) {
    error = "--resume keeps the --csv file and --force replaces it: give one of them";
    return std::nullopt;
  }
  if (texts.shard) {
    s.shard = parseShardText(*texts.shard);
    if (!s.shard) {
      error = "--shard: '" + *texts.shard + "' is not I/N with 1 <= I <= N";
      return std::nullopt;
    }
  }
  return s;
}

PointPlan pointPlan(const SweepSettings& settings) {
  PointPlan plan;
  plan.sweepSeed = settings.seed;
  plan.maxBlocks = settings.blocks;
  plan.minErrors = settings.minErrors;
  plan.minBlockErrors = settings.minBlockErrors;
  plan.earlyStop = settings.earlyStop;
  plan.shard = settings.shard.value_or(Shard{});
  plan.threads = settings.threads;
  return plan;
}

}  // namespace vok::sim
