// `vok-sim sweep` and `vok-sim merge`: the loop over the points and the
// command-line setup. The source, the resume check, the outputs, the table
// and the merge are units of their own.
#include "sim/sweep_command.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <utility>

#include "sim/iterations_csv.h"
#include "sim/sweep_merge.h"
#include "sim/sweep_outputs.h"
#include "sim/sweep_progress.h"
#include "sim/sweep_resume.h"
#include "sim/sweep_seeding.h"
#include "sim/sweep_table.h"

namespace vok::sim {
namespace {

void sortRows(std::vector<SweepRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SweepRow& a, const SweepRow& b) { return a.p0 < b.p0; });
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

// The points to run: those to extend first, so that until they are done the
// file keeps its former rows and stops and an interruption loses nothing it
// held; then those of `settings` the file does not hold yet.
std::vector<float> pointsToRun(const SweepSettings& settings, const SweepTable& table,
                               const std::vector<SweepRow>& extended) {
  std::vector<float> todo;
  for (const SweepRow& row : extended) todo.push_back(row.p0);
  for (float p0 : settings.points) {
    const auto same = [&](const SweepRow& row) { return row.p0 == p0; };
    const bool done = std::any_of(table.rows.begin(), table.rows.end(), same) ||
                      std::any_of(extended.begin(), extended.end(), same);
    if (!done) todo.push_back(p0);
  }
  return todo;
}

// Runs the points in `todo` (those to extend first, in the order of
// `extended`), printing each row and rewriting the outputs after each one
// unless they are written only at the end. Returns the exit code.
int runPoints(const SweepSettings& settings, const SweepSource& source, SweepTable& table,
              std::vector<SweepRow>& extended, const std::vector<float>& todo, bool writeAtEndOnly,
              IterationLog* iterations, CommandStreams& streams) {
  const std::int64_t ownBlocks = ownBlockCount(settings.blocks, settings.shard.value_or(Shard{}));
  ProgressLine progressLine(streams.err, progressWanted(streams));
  SweepPosition position;
  position.points = todo.size();
  position.blocksPerPoint = ownBlocks;
  position.start = std::chrono::steady_clock::now();
  for (std::size_t k = 0; k < todo.size(); ++k) {
    PointPlan plan = pointPlan(settings);
    plan.p0 = todo[k];
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
    printTableRow(streams.out, row);
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

  const std::vector<float> todo = pointsToRun(settings, table, extended);
  printSweepHeading(settings, made, table, extended, todo.size(), streams.out);

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
  std::string error;
  const std::optional<std::vector<SweepTable>> shards = readShardFiles(settings.inputs, error);
  const std::optional<SweepTable> merged = shards ? mergeShards(*shards, error) : std::nullopt;
  if (!merged) {
    streams.err << "vok-sim merge: " << error << '\n';
    return kExitBadArguments;
  }
  printTableHeader(streams.out);
  for (const SweepRow& row : merged->rows) printTableRow(streams.out, row);
  return writeOutputs(*merged, std::optional<std::string>(settings.csv), settings.svg, "merge",
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
  addSourceOptions(sweep, *texts);
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
