// Conversion of the `sweep` option texts into checked settings.
#include "sim/sweep_settings.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <limits>
#include <thread>

#include "common/output_file.h"
#include "sim/run_command.h"
#include "sim/sweep_options.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {
void addSourceOptions(CLI::App& app, SourceOptionTexts& texts) {
  app.add_option("--dir", texts.directory,
                 "Directory with pic.bmp, encoder.vok and decoder.vok (default: current)");
  app.add_option("--random", texts.random,
                 "Send N random information symbols instead of the picture");
  app.add_option("--pane", texts.pane, "Reduce the picture for a WxH pane");
  app.add_option("--picture", texts.picture,
                 "Picture file of any readable format, in place of pic.bmp in --dir");
}

namespace {

// --blocks stops where the block seeds of a point would start to repeat.
constexpr std::int64_t kMaxBlocks = kBlockSeedModulus;
constexpr std::int64_t kMaxMinErrors = std::int64_t{1} << 40;

// What is sent: --dir, --random, --picture, --pane.
bool convertSource(const SweepOptionTexts& texts, SweepSettings& s, std::string& error) {
  s.directory = texts.directory;
  if (texts.random) {
    const auto n = parseCount(*texts.random, 1, kMaxRandomSymbols);
    if (!n) {
      error = "--random: '" + *texts.random + "' is not a whole number from 1 to " +
              std::to_string(kMaxRandomSymbols);
      return false;
    }
    s.randomSymbols = static_cast<std::int32_t>(*n);
  }
  if (texts.picture) {
    if (texts.random) {
      error = "--picture: a sweep sends either a picture or --random symbols, not both";
      return false;
    }
    if (texts.picture->empty()) {
      error = "--picture: the file name must not be empty";
      return false;
    }
    s.picture = texts.picture;
  }
  if (texts.pane) {
    if (texts.random) {
      error = "--pane: only a picture is reduced, not --random symbols";
      return false;
    }
    s.pane = parsePaneText(*texts.pane);
    if (!s.pane) {
      error = "--pane: '" + *texts.pane + "' is not WxH";
      return false;
    }
  }
  return true;
}

// How each point runs: --p0, --blocks, the stops, --threads, --seed.
bool convertRun(const SweepOptionTexts& texts, SweepSettings& s, std::string& error) {
  const auto points = parseP0List(texts.p0, error);
  if (!points) return false;
  s.points = *points;
  const auto blocks = parseCount(texts.blocks, 1, std::numeric_limits<std::int64_t>::max());
  if (!blocks) {
    error = "--blocks: '" + texts.blocks + "' is not a positive whole number";
    return false;
  }
  if (*blocks > kMaxBlocks) {
    error = "--blocks: at most " + std::to_string(kMaxBlocks) +
            " (2^21): beyond that the block seeds of a point repeat";
    return false;
  }
  s.blocks = *blocks;
  const auto minErrors = parseCount(texts.minErrors, 0, kMaxMinErrors);
  if (!minErrors) {
    error = "--min-errors: '" + texts.minErrors + "' is not a whole number >= 0";
    return false;
  }
  s.minErrors = *minErrors;
  const auto minBlockErrors = parseCount(texts.minBlockErrors, 0, kMaxBlocks);
  if (!minBlockErrors) {
    error = "--min-block-errors: '" + texts.minBlockErrors + "' is not a whole number from 0 to " +
            std::to_string(kMaxBlocks);
    return false;
  }
  s.minBlockErrors = *minBlockErrors;
  s.earlyStop = texts.stopOnZeroSyndromes ? EarlyStop::kSyndromes : EarlyStop::kSource;
  if (texts.threads) {
    const auto threads = parseCount(*texts.threads, 1, 1024);
    if (!threads) {
      error = "--threads: '" + *texts.threads + "' is not a whole number from 1 to 1024";
      return false;
    }
    s.threads = static_cast<int>(*threads);
  } else {
    s.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }
  const auto seed = parseSeedOption(texts.seed, s.seedNote, error);
  if (!seed) return false;
  s.seed = *seed;
  return true;
}

// The files and the part of the run: --csv, --svg, --iterations-csv,
// --resume, --force, --shard.
bool convertFiles(const SweepOptionTexts& texts, SweepSettings& s, std::string& error) {
  s.csv = texts.csv;
  s.svg = texts.svg;
  s.iterationsCsv = texts.iterationsCsv;
  const auto sameAsIterations = [&s](const std::optional<std::string>& other) {
    return other && sameOutputPath(*s.iterationsCsv, *other);
  };
  if (s.iterationsCsv && (sameAsIterations(s.csv) || sameAsIterations(s.svg))) {
    error = "--iterations-csv: give a file of its own, not the --csv or --svg file";
    return false;
  }
  if (s.iterationsCsv && texts.shard) {
    error =
        "--iterations-csv: a shard's blocks are not the run's first blocks; run it without "
        "--shard";
    return false;
  }
  s.resume = texts.resume;
  s.force = texts.force;
  if (s.resume && !s.csv) {
    error = "--resume needs --csv FILE to continue from";
    return false;
  }
  if (s.resume && s.force) {
    error = "--resume keeps the --csv file and --force replaces it: give one of them";
    return false;
  }
  if (texts.shard) {
    s.shard = parseShardText(*texts.shard);
    if (!s.shard) {
      error = "--shard: '" + *texts.shard + "' is not I/N with 1 <= I <= N";
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<SweepSettings> convertSweepOptions(const SweepOptionTexts& texts,
                                                 std::string& error) {
  SweepSettings s;
  if (!convertSource(texts, s, error) || !convertRun(texts, s, error) ||
      !convertFiles(texts, s, error)) {
    return std::nullopt;
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
