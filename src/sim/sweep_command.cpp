// `vok-sim sweep` and `vok-sim merge`: options, the loop over the points,
// the result file, the figure and the readable table.
#include "sim/sweep_command.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <limits>
#include <map>
#include <set>
#include <thread>

#include "codec/codec.h"
#include "common/number_text.h"
#include "common/output_file.h"
#include "experiment/experiment.h"
#include "import/picture_import.h"
#include "sim/iterations_csv.h"
#include "sim/run_command.h"
#include "sim/sweep_capacity.h"
#include "sim/sweep_csv.h"
#include "sim/sweep_options.h"
#include "sim/sweep_plot.h"
#include "sim/sweep_progress.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {
namespace {

// --blocks stops where the block seeds of a point would start to repeat.
constexpr std::int64_t kMaxBlocks = kBlockSeedModulus;
constexpr std::int64_t kMaxMinErrors = std::int64_t{1} << 40;

}  // namespace

SourceOrFailure makeSource(const SweepSettings& settings) {
  SourceOrFailure result;
  const std::filesystem::path directory(settings.directory.value_or("."));
  std::vector<std::int32_t> information;
  if (settings.randomSymbols) {
    result.kind = "random";
    information = randomInformation(settings.seed, *settings.randomSymbols);
  } else {
    result.kind = "picture";
    LoadedPicture loaded;
    const PictureOutcome read =
        settings.picture
            ? importPicture(*settings.picture, settings.pane, loaded)
            : outcomeOf(loadPicture((directory / "pic.bmp").string(), settings.pane, loaded),
                        "pic.bmp");
    if (read.status != InitStatus::Ok) {
      result.failure = read.message;
      return result;
    }
    information.assign(loaded.sourceImage.begin(), loaded.sourceImage.begin() + loaded.symbolCount);
  }
  const auto n = static_cast<std::int32_t>(information.size());
  std::unique_ptr<SweepSource> source;
  if (settings.randomSymbols && !settings.directory) {
    source = std::make_unique<SweepSource>(CodeDescription::builtIn(), DecoderSchedule::builtIn(),
                                           std::move(information));
  } else {
    const Codec codec((directory / "encoder.vok").string(), (directory / "decoder.vok").string(),
                      n);
    if (codec.loaded()) {
      source =
          std::make_unique<SweepSource>(codec.code(), codec.schedule(), std::move(information));
    }
  }
  if (!source || !source->valid()) {
    result.failure = kMessageCodecNotLoaded;
    return result;
  }
  result.source = std::move(source);
  return result;
}

namespace {

void sortRows(std::vector<SweepRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SweepRow& a, const SweepRow& b) { return a.p0 < b.p0; });
}

std::string pad(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

void printTableHeader(std::ostream& out) {
  out << pad("P0", 8) << pad("blocks", 9) << pad("channel SER", 13) << pad("decoder SER", 13)
      << pad("block ER", 12) << pad("undetected", 11) << pad("iterations", 12)
      << pad("symbols/s", 12) << '\n';
}

std::string fixedText(double value, int decimals) {
  std::array<char, 400> buffer{};
  const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                               std::chars_format::fixed, decimals);
  return std::string(buffer.data(), r.ptr);
}

void printRow(std::ostream& out, const SweepRow& row) {
  const PointTotals& t = row.totals;
  out << pad(p0Text(row.p0), 8) << pad(std::to_string(t.blocks), 9)
      << pad(formatExponent(t.channelErrorRate()), 13)
      << pad(formatExponent(t.decoderErrorRate()), 13)
      << pad(formatExponent(t.blockErrorRate()), 12)
      << pad(row.undetectedKnown ? std::to_string(t.undetected) : "?", 11)
      << pad(fixedText(t.meanIterations(), 2), 12) << pad(fixedText(row.throughput, 0), 12) << '\n';
}

PlotInfo plotInfo(const SweepMetadata& m) {
  PlotInfo info;
  info.nk = m.nk;
  info.nr = m.nr;
  info.q = m.q;
  info.symbols = m.symbols;
  info.itert = m.itert;
  const double rate =
      static_cast<double>(static_cast<float>(m.nk) / static_cast<float>(m.nk + m.nr));
  info.capacityP0 = capacityLimitP0(rate, m.q);
  return info;
}

bool writeOutputs(const SweepTable& table, const std::optional<std::string>& csv,
                  const std::optional<std::string>& svg, const char* command, std::ostream& err) {
  std::string error;
  if (csv && !writeWholeFile(*csv, formatSweepCsv(table), error)) {
    err << "vok-sim " << command << ": " << error << '\n';
    return false;
  }
  if (svg) {
    std::vector<PlotPoint> points;
    for (const SweepRow& row : table.rows) {
      const PointTotals& t = row.totals;
      points.push_back(
          PlotPoint{row.p0, t.blocks, t.symbols, t.channelErrors, t.decoderErrors, t.blockErrors});
    }
    if (!writeWholeFile(*svg, renderSweepSvg(points, plotInfo(table.metadata)), error)) {
      err << "vok-sim " << command << ": " << error << '\n';
      return false;
    }
  }
  return true;
}

// Refuses outputs that cannot be written, or that would overwrite an input
// or each other, before any work is done; nothing is changed.
bool checkOutputs(const std::optional<std::string>& csv, const std::optional<std::string>& svg,
                  const std::vector<std::string>& inputs, const char* command, std::ostream& err) {
  std::vector<std::pair<const char*, const std::string*>> outputs;
  if (csv) outputs.emplace_back("--csv", &*csv);
  if (svg) outputs.emplace_back("--svg", &*svg);
  for (const auto& [option, path] : outputs) {
    for (const std::string& input : inputs) {
      if (sameExistingFile(*path, input)) {
        err << "vok-sim " << command << ": " << option << ' ' << *path << " is the input " << input
            << "; give another file\n";
        return false;
      }
    }
    std::string error;
    if (!checkWritable(*path, error)) {
      err << "vok-sim " << command << ": " << option << ": " << error << '\n';
      return false;
    }
  }
  // Both may go to /dev/null; two results in one regular file may not.
  if (csv && svg && pathKind(*csv) != PathKind::kSpecial &&
      (sameExistingFile(*csv, *svg) || std::filesystem::path(*csv).lexically_normal() ==
                                           std::filesystem::path(*svg).lexically_normal())) {
    err << "vok-sim " << command << ": --csv and --svg name the same file " << *csv << '\n';
    return false;
  }
  return true;
}

// A file written once at the end rather than after every point: a device or
// pipe would receive every rewrite one after the other.
bool writtenOnlyAtEnd(const std::optional<std::string>& path) {
  return path && pathKind(*path) == PathKind::kSpecial;
}

// A table read back from `path`, with the reason on failure.
std::optional<SweepTable> readTable(const std::string& path, std::string& error) {
  const std::optional<std::string> text = readWholeFile(path, error);
  return text ? parseSweepCsv(*text, error) : std::nullopt;
}

bool sameShard(const std::optional<Shard>& a, const std::optional<Shard>& b) {
  return a.has_value() == b.has_value() && (!a || (a->index == b->index && a->count == b->count));
}

// True when the rules of the sweep `m` would stop the point where `row` ends.
bool pointFinished(const SweepRow& row, const SweepMetadata& m) {
  const std::int64_t own = ownBlockCount(m.blocks, m.shard.value_or(Shard{}));
  return row.totals.blocks >= own || m.stopRule().errorsReached(row.totals);
}

// Blocks of one point cannot share a seed (--blocks is capped), but the
// blocks of two points can; their errors are then the same draws.
void warnOfSeedOverlap(const SweepSettings& settings, std::ostream& err) {
  const std::optional<SeedOverlap> overlap = firstSeedOverlap(settings.points, settings.blocks);
  if (!overlap) return;
  err << "vok-sim sweep: warning: from block " << overlap->block
      << " on, P0=" << p0Text(overlap->later)
      << " reuses the channel seeds of P0=" << p0Text(overlap->earlier)
      << " from its block 0 (the seed rule repeats every 2^21); those blocks are not independent. "
         "Run fewer blocks or other points.\n";
}

bool progressWanted(const CommandStreams& streams) {
  return &streams.err == &std::cerr && isatty(STDERR_FILENO) == 1;
}

}  // namespace

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
  const auto seed = parseSeedText(texts.seed);
  if (!seed) {
    error = "--seed: '" + texts.seed + "' is not a number";
    return std::nullopt;
  }
  s.seed = *seed;
  s.seedNote = seedConversionNote(texts.seed, *seed);
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

namespace {

// Takes what an existing --csv file brings to the sweep: its finished rows
// go into `table`, the rows --resume extends into `extended`. Returns the
// exit code when the file must not be used (or replaced).
std::optional<int> takeExistingCsv(const SweepSettings& settings, SweepTable& table,
                                   std::vector<SweepRow>& extended, std::ostream& err) {
  if (!settings.csv) return std::nullopt;
  const std::string& csv = *settings.csv;
  const PathKind kind = pathKind(csv);
  if (settings.resume && kind == PathKind::kMissing) {
    err << "vok-sim sweep: --resume: " << csv << " does not exist yet; the sweep starts afresh\n";
  } else if (settings.resume && kind == PathKind::kSpecial) {
    err << "vok-sim sweep: --resume: " << csv << " is not a regular file\n";
    return kExitBadArguments;
  } else if (settings.resume || (kind == PathKind::kRegular && !settings.force)) {
    std::string error;
    std::optional<std::string> text = readWholeFile(csv, error);
    if (!text) {
      err << "vok-sim sweep: " << (settings.resume ? "--resume: " : "--csv: ") << csv << ": "
          << error << '\n';
      return kExitBadArguments;
    }
    std::optional<SweepTable> old;
    if (settings.resume) {
      old = parseSweepCsv(*text, error);
      if (old && !checkSweepRules(*old, error)) old.reset();
      if (!old) {
        err << "vok-sim sweep: --resume: " << csv << ": " << error << '\n';
        return kExitBadArguments;
      }
    } else if (!text->empty()) {
      old = parseSweepCsv(*text, error);
    }
    const bool sameSweep = old && old->metadata.sameSimulation(table.metadata) &&
                           sameShard(old->metadata.shard, settings.shard);
    const bool extends = old && old->metadata.extendsTo(table.metadata) &&
                         sameShard(old->metadata.shard, settings.shard);
    if (settings.resume && !extends) {
      err << "vok-sim sweep: --resume: " << csv
          << " was made by a different sweep (source, code, seed, early stop or "
             "shard differ, or it ran more blocks or stopped later than asked now)\n";
      return kExitBadArguments;
    }
    // Without --resume the file is replaced once the first point is done;
    // only the results of this very sweep may be replaced unasked.
    if (!settings.resume && !text->empty() && !sameSweep) {
      err << "vok-sim sweep: --csv: " << csv
          << " holds something other than the results of this sweep; give --resume to "
             "continue a sweep in it or --force to replace it\n";
      return kExitBadArguments;
    }
    if (settings.resume) {
      for (SweepRow& row : old->rows) {
        if (pointFinished(row, table.metadata)) {
          table.rows.push_back(std::move(row));
        } else {
          extended.push_back(std::move(row));
        }
      }
    }
  }
  return std::nullopt;
}

// The lines above the table: the source, the code, the capacity, the shard
// and the rows the file already holds.
void printSweepHeading(const SweepSettings& settings, const SourceOrFailure& made,
                       const SweepTable& table, const std::vector<SweepRow>& extended,
                       std::size_t todoCount, CommandStreams& streams) {
  const SweepSource& source = *made.source;
  const PlotInfo info = plotInfo(table.metadata);
  streams.out << "Sweep of " << source.symbolCount() << ' ' << made.kind
              << " symbols per block; code nk=" << source.nk() << " nr=" << source.nr() << " (rate "
              << fixedText(source.codeRate(), 4) << "), up to " << source.itert()
              << " iterations; Q=" << source.q()
              << "; capacity equals the rate at P0=" << fixedText(info.capacityP0, 4) << '\n';
  if (settings.shard) {
    streams.out << "Shard " << settings.shard->index << '/' << settings.shard->count
                << " of the blocks of every point\n";
  }
  printTableHeader(streams.out);
  for (const SweepRow& row : table.rows) printRow(streams.out, row);
  if (!table.rows.empty() || !extended.empty()) {
    streams.out << "(" << table.rows.size() + extended.size() << " points from " << *settings.csv
                << ", " << extended.size() << " of them to extend, " << todoCount - extended.size()
                << " to run)\n";
  }
  streams.out.flush();  // the table so far is seen before the first point is done
}

// Runs the points in `todo` (those to extend first, in the order of
// `extended`), printing each row and rewriting the outputs after each one
// unless they are written only at the end. Returns the exit code.
int runPoints(const SweepSettings& settings, const SweepSource& source, SweepTable& table,
              std::vector<SweepRow>& extended, const std::vector<float>& todo, bool writeAtEndOnly,
              IterationLog* iterations, CommandStreams& streams) {
  const Shard shard = settings.shard.value_or(Shard{});
  const std::int64_t ownBlocks = ownBlockCount(settings.blocks, shard);
  ProgressLine progressLine(streams.err, progressWanted(streams));
  SweepPosition position;
  position.points = todo.size();
  position.blocksPerPoint = ownBlocks;
  position.start = std::chrono::steady_clock::now();
  for (std::size_t k = 0; k < todo.size(); ++k) {
    PointPlan plan;
    plan.p0 = todo[k];
    plan.sweepSeed = settings.seed;
    plan.maxBlocks = settings.blocks;
    plan.minErrors = settings.minErrors;
    plan.minBlockErrors = settings.minBlockErrors;
    plan.earlyStop = settings.earlyStop;
    plan.shard = shard;
    plan.threads = settings.threads;
    plan.traceIterations = iterations != nullptr;
    SweepRow row;
    if (k < extended.size()) {
      row = std::move(extended[k]);
      plan.resumeFrom = row.totals;
    }
    PointProgress progress;
    position.point = k;
    position.p0 = todo[k];
    progressLine.start(position, progress);
    PointOutcome outcome = runPoint(source, plan, &progress);
    progressLine.stop();
    if (iterations != nullptr) {
      iterations->add(todo[k], plan.resumeFrom.blocks, outcome.totals.blocks,
                      outcome.iterationErrors, streams.err);
    }
    const std::int64_t ranBlocks = outcome.totals.blocks - plan.resumeFrom.blocks;
    position.blocksBefore += ranBlocks;

    row.p0 = todo[k];
    row.totals = outcome.totals;
    // The rate of the blocks run now: an extended row's earlier rate is
    // replaced by it (the two runs may have had different machines).
    if (ranBlocks > 0 || k >= extended.size()) {
      row.throughput = outcome.seconds > 0
                           ? static_cast<double>(ranBlocks) * source.symbolCount() / outcome.seconds
                           : 0.0;
    }
    if (settings.shard) {
      row.blocks.insert(row.blocks.end(), outcome.blocks.begin(), outcome.blocks.end());
    }
    printRow(streams.out, row);
    streams.out.flush();
    table.rows.push_back(std::move(row));
    sortRows(table.rows);
    if (k + 1 < extended.size()) continue;  // the file changes once all are extended
    if (!writeAtEndOnly &&
        (!writeOutputs(table, settings.csv, settings.svg, "sweep", streams.err) ||
         (iterations != nullptr && !iterations->write(streams.err)))) {
      return kExitBadArguments;
    }
  }
  return kExitOk;
}

}  // namespace

int runSweep(const SweepSettings& settings, CommandStreams& streams) {
  if (settings.seedNote) streams.err << "vok-sim sweep: " << *settings.seedNote << '\n';
  SourceOrFailure made = makeSource(settings);
  if (!made.source) {
    streams.err << made.failure << '\n';
    return kExitInitFailure;
  }
  const SweepSource& source = *made.source;
  SweepTable table;
  table.metadata =
      describeSweep(source, made.kind, settings.seed,
                    StopRule{settings.blocks, settings.minErrors, settings.minBlockErrors},
                    settings.earlyStop, settings.shard);
  warnOfSeedOverlap(settings, streams.err);
  // Rows of a finished sweep that --resume extends to more blocks or later
  // stops: they go on from their last block.
  std::vector<SweepRow> extended;

  if (const std::optional<int> refused = takeExistingCsv(settings, table, extended, streams.err)) {
    return *refused;
  }
  if (!checkOutputs(settings.csv, settings.svg, {}, "sweep", streams.err)) {
    return kExitBadArguments;
  }
  std::optional<IterationLog> iterations;
  if (settings.iterationsCsv) {
    iterations.emplace(*settings.iterationsCsv, table.metadata);
    if (!iterations->start(settings.resume, settings.force, streams.err)) return kExitBadArguments;
  }
  const bool writeAtEndOnly = writtenOnlyAtEnd(settings.csv) || writtenOnlyAtEnd(settings.svg) ||
                              writtenOnlyAtEnd(settings.iterationsCsv);

  // Points to extend come first: until they are done the file keeps its
  // former rows and stops, so an interruption loses nothing it held.
  std::vector<float> todo;
  for (const SweepRow& row : extended) todo.push_back(row.p0);
  for (float p0 : settings.points) {
    const auto same = [&](const SweepRow& row) { return row.p0 == p0; };
    const bool done = std::any_of(table.rows.begin(), table.rows.end(), same) ||
                      std::any_of(extended.begin(), extended.end(), same);
    if (!done) todo.push_back(p0);
  }

  printSweepHeading(settings, made, table, extended, todo.size(), streams);

  IterationLog* log = iterations ? &*iterations : nullptr;
  if (const int code =
          runPoints(settings, source, table, extended, todo, writeAtEndOnly, log, streams);
      code != kExitOk) {
    return code;
  }
  // A resumed sweep with nothing left still redraws its figure.
  if ((writeAtEndOnly || todo.empty()) &&
      (!writeOutputs(table, settings.csv, settings.svg, "sweep", streams.err) ||
       (log != nullptr && !log->write(streams.err)))) {
    return kExitBadArguments;
  }
  return kExitOk;
}

int runMerge(const MergeSettings& settings, CommandStreams& streams) {
  if (!checkOutputs(settings.csv, settings.svg, settings.inputs, "merge", streams.err)) {
    return kExitBadArguments;
  }
  std::vector<SweepTable> shards;
  for (const std::string& path : settings.inputs) {
    std::string error;
    std::optional<SweepTable> table = readTable(path, error);
    if (table && table->metadata.shard && !checkSweepRules(*table, error)) table.reset();
    if (!table) {
      streams.err << "vok-sim merge: " << path << ": " << error << '\n';
      return kExitBadArguments;
    }
    if (!table->metadata.shard) {
      streams.err << "vok-sim merge: " << path << " is not a shard file (made without --shard)\n";
      return kExitBadArguments;
    }
    if (!shards.empty() && (!table->metadata.sameSimulation(shards.front().metadata) ||
                            table->metadata.shard->count != shards.front().metadata.shard->count)) {
      streams.err << "vok-sim merge: " << path << " belongs to a different sweep than "
                  << settings.inputs.front() << '\n';
      return kExitBadArguments;
    }
    shards.push_back(std::move(*table));
  }
  const std::int32_t count = shards.front().metadata.shard->count;
  std::set<std::int32_t> seen;
  for (std::size_t k = 0; k < shards.size(); ++k) {
    if (!seen.insert(shards[k].metadata.shard->index).second) {
      streams.err << "vok-sim merge: shard " << shards[k].metadata.shard->index << '/' << count
                  << " is given twice\n";
      return kExitBadArguments;
    }
  }
  for (std::int32_t index = 1; index <= count; ++index) {
    if (seen.count(index) == 0) {
      streams.err << "vok-sim merge: shard " << index << '/' << count << " is missing\n";
      return kExitBadArguments;
    }
  }

  SweepTable merged;
  merged.metadata = shards.front().metadata;
  merged.metadata.shard.reset();
  std::set<float> points;
  for (const SweepTable& shard : shards) {
    for (const SweepRow& row : shard.rows) points.insert(row.p0);
  }
  for (float p0 : points) {
    std::vector<BlockResult> blocks;
    SweepRow row;
    row.p0 = p0;
    for (const SweepTable& shard : shards) {
      const auto it = std::find_if(shard.rows.begin(), shard.rows.end(),
                                   [&](const SweepRow& r) { return r.p0 == p0; });
      if (it == shard.rows.end()) {
        streams.err << "vok-sim merge: shard " << shard.metadata.shard->index << '/' << count
                    << " has no row for P0=" << p0Text(p0) << " (not finished?)\n";
        return kExitBadArguments;
      }
      blocks.insert(blocks.end(), it->blocks.begin(), it->blocks.end());
      row.undetectedKnown = row.undetectedKnown && it->undetectedKnown;
      row.throughput += it->throughput;  // the shards' rate when run side by side
    }
    if (!mergeBlocks(std::move(blocks), merged.metadata.stopRule(), merged.metadata.symbols,
                     row.totals)) {
      streams.err << "vok-sim merge: the shards' blocks for P0=" << p0Text(p0)
                  << " are incomplete or repeated\n";
      return kExitBadArguments;
    }
    if (!row.undetectedKnown) row.totals.undetected = 0;
    merged.rows.push_back(std::move(row));
  }
  printTableHeader(streams.out);
  for (const SweepRow& row : merged.rows) printRow(streams.out, row);
  return writeOutputs(merged, std::optional<std::string>(settings.csv), settings.svg, "merge",
                      streams.err)
             ? kExitOk
             : kExitBadArguments;
}

void addSweepCommands(CommandRegistry& registry) {
  auto texts = std::make_shared<SweepOptionTexts>();
  CLI::App& sweep = registry.add(
      "sweep", "Error-rate curves over P0: transmit and decode many blocks per point",
      [texts](CommandStreams& streams) {
        std::string error;
        const std::optional<SweepSettings> settings = convertSweepOptions(*texts, error);
        if (!settings) {
          streams.err << "vok-sim sweep: " << error << '\n';
          return kExitBadArguments;
        }
        return runSweep(*settings, streams);
      });
  sweep.add_option("--dir", texts->directory,
                   "Directory with pic.bmp, encoder.vok and decoder.vok (default: current)");
  sweep.add_option("--random", texts->random,
                   "Send N random information symbols instead of the picture");
  sweep.add_option("--pane", texts->pane, "Reduce the picture for a WxH pane");
  sweep.add_option("--picture", texts->picture,
                   "Picture file of any readable format, in place of pic.bmp in --dir");
  sweep.add_option("--p0", texts->p0, "P0 points: FROM:TO:STEP or a comma list")->required();
  sweep.add_option("--blocks", texts->blocks,
                   "Blocks per point at most (default 100, at most 2097152)");
  sweep.add_option("--min-errors", texts->minErrors,
                   "Stop a point once its decoder errors reach E (default 0: never)");
  sweep.add_option("--min-block-errors", texts->minBlockErrors,
                   "Stop a point once E blocks were left with errors (default 0: never)");
  sweep.add_flag("--stop-on-zero-syndromes", texts->stopOnZeroSyndromes,
                 "End a block's decoding once every syndrome is zero, as a receiver can, "
                 "rather than once it equals the source");
  sweep.add_option("--threads", texts->threads, "Threads (default: all hardware threads)");
  sweep.add_option("--seed", texts->seed, "Sweep seed S (default 123)");
  sweep.add_option("--csv", texts->csv,
                   "Result file, replaced after every point (a device or pipe: written at the "
                   "end)");
  sweep.add_option("--svg", texts->svg, "Plot file");
  sweep.add_option("--iterations-csv", texts->iterationsCsv,
                   "File of the mean decoder errors left after each iteration, per point");
  sweep.add_flag("--resume", texts->resume, "Continue the sweep in the --csv file");
  sweep.add_flag("--force", texts->force,
                 "Replace a --csv file that holds something other than this sweep's results");
  sweep.add_option("--shard", texts->shard, "Run the I-th of N disjoint parts of the blocks");

  auto merge = std::make_shared<MergeSettings>();
  CLI::App& mergeApp =
      registry.add("merge", "Add the shard files of a sweep into one result",
                   [merge](CommandStreams& streams) { return runMerge(*merge, streams); });
  mergeApp.add_option("files", merge->inputs, "Shard files")->required();
  mergeApp.add_option("--csv", merge->csv, "Merged result file")->required();
  mergeApp.add_option("--svg", merge->svg, "Plot file");
}

}  // namespace vok::sim
