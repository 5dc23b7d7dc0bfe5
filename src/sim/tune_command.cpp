// `vok-sim tune`: options, the schedules measured on the sweep engine, the
// report and the schedule file.
#include "sim/tune_command.h"

#include <fmt/format.h>

#include <chrono>
#include <memory>
#include <set>

#include "common/number_text.h"
#include "common/output_file.h"
#include "sim/sweep_options.h"
#include "sim/sweep_seeding.h"
#include "sim/tune_search.h"

namespace vok::sim {
namespace {

// Schedules of one code and information block, each measured as sweep
// points: the tuning blocks stop a point once its verdict is sure, the
// held-out blocks run in full so that their intervals are those of
// `threshold`.
class SweepBench : public ScheduleBench {
 public:
  SweepBench(const SweepSource& source, const TuneSettings& settings)
      : source_(source), tuning_(pointPlan(settings.threshold.sweep)), heldOut_(tuning_) {
    tuning_.minBlockErrors = decidingBlockErrors(settings.threshold.target, tuning_.maxBlocks);
    heldOut_.sweepSeed = heldOutSeed(tuning_.sweepSeed, tuning_.maxBlocks);
    heldOut_.maxBlocks = settings.heldOutBlocks;
  }

  std::unique_ptr<BlerProbe> probe(const DecoderSchedule& schedule, bool heldOut) override {
    auto probe = std::make_unique<OwnProbe>(source_, schedule, heldOut ? heldOut_ : tuning_);
    probe->points = heldOut ? &heldOutPoints_ : &tuningPoints_;
    return probe;
  }

  // Every P0 measured, for the check that held-out blocks met no tuning seed.
  std::vector<float> allPoints() const {
    std::set<float> all(tuningPoints_);
    all.insert(heldOutPoints_.begin(), heldOutPoints_.end());
    return {all.begin(), all.end()};
  }

 private:
  struct OwnProbe : BlerProbe {
    OwnProbe(const SweepSource& base, const DecoderSchedule& schedule, const PointPlan& plan)
        : source(base.code(), schedule, base.information(), base.q()), inner(source, plan) {}
    ProbeCounts measure(float p0) override {
      points->insert(p0);
      return inner.measure(p0);
    }
    SweepSource source;
    SweepProbe inner;
    std::set<float>* points = nullptr;
  };

  const SweepSource& source_;
  PointPlan tuning_;
  PointPlan heldOut_;
  std::set<float> tuningPoints_;
  std::set<float> heldOutPoints_;
};

std::string intervalText(const ThresholdResult& r) {
  return r.failure ? "none in the range (" + *r.failure + ")" : thresholdText(r);
}

void report(const TuneResult& r, const TuneSettings& settings, std::ostream& out) {
  const std::int64_t b = settings.threshold.sweep.blocks;
  out << fmt::format("Held-out blocks {}..{} of seed {} (the search never saw them):\n", b,
                     b + settings.heldOutBlocks - 1, settings.threshold.sweep.seed);
  out << "  start: threshold " << intervalText(r.startHeldOut) << '\n';
  if (r.tunedHeldOut) {
    out << "  tuned: threshold " << intervalText(*r.tunedHeldOut) << '\n';
  } else {
    out << "  tuned: the search kept the starting schedule\n";
  }
  if (r.improved) {
    out << fmt::format(
        "Improved by {:.4f} on the held-out blocks: the tuned schedule ({} "
        "iterations) is written to {}\n",
        r.tunedHeldOut->threshold() - r.startHeldOut.threshold(), r.written.itert, settings.out);
  } else {
    out << "No improvement measured on the held-out blocks: the starting schedule is written to "
        << settings.out << '\n';
  }
}

}  // namespace

std::int32_t heldOutSeed(std::int32_t seed, std::int64_t tuningBlocks) {
  const std::int64_t shifted = (std::int64_t{seed} + tuningBlocks) % kBlockSeedModulus;
  return static_cast<std::int32_t>(shifted < 0 ? shifted + kBlockSeedModulus : shifted);
}

std::optional<TuneSettings> convertTuneOptions(const TuneOptionTexts& texts, std::string& error) {
  std::optional<ThresholdSettings> threshold = convertThresholdOptions(texts.threshold, error);
  if (!threshold) return std::nullopt;
  TuneSettings s;
  s.threshold = std::move(*threshold);
  const std::int64_t tuning = s.threshold.sweep.blocks;
  s.heldOutBlocks = tuning;
  if (texts.heldOutBlocks) {
    // Tuning and held-out blocks together stay within one period of the seeds.
    const auto held = parseCount(*texts.heldOutBlocks, 1, kBlockSeedModulus - tuning);
    if (!held) {
      error = "--held-out-blocks: '" + *texts.heldOutBlocks + "' is not a whole number from 1 to " +
              std::to_string(kBlockSeedModulus - tuning) + " (2^21 - --blocks)";
      return std::nullopt;
    }
    s.heldOutBlocks = *held;
  } else if (tuning * 2 > kBlockSeedModulus) {
    error = "--blocks: at most 2^20 when the held-out blocks are as many";
    return std::nullopt;
  }
  const auto iterations = parseCount(texts.maxIterations, 1, kMaxIterations);
  if (!iterations) {
    error = "--max-iterations: '" + texts.maxIterations + "' is not a whole number from 1 to " +
            std::to_string(kMaxIterations);
    return std::nullopt;
  }
  s.maxIterations = static_cast<int>(*iterations);
  const auto rounds = parseCount(texts.rounds, 1, 1000);
  if (!rounds) {
    error = "--rounds: '" + texts.rounds + "' is not a whole number from 1 to 1000";
    return std::nullopt;
  }
  s.rounds = static_cast<int>(*rounds);
  if (texts.seconds) {
    const std::optional<double> seconds = parseWholeDecimal(*texts.seconds);
    if (texts.seconds->empty() || !seconds || !(*seconds > 0 && *seconds < 1e9)) {
      error = "--seconds: '" + *texts.seconds + "' is not a positive number of seconds";
      return std::nullopt;
    }
    s.seconds = *seconds;
  }
  if (texts.out.empty()) {
    error = "--out: the file name must not be empty";
    return std::nullopt;
  }
  s.out = texts.out;
  return s;
}

int runTune(const TuneSettings& settings, CommandStreams& streams) {
  const SweepSettings& sweep = settings.threshold.sweep;
  if (sweep.seedNote) streams.err << "vok-sim tune: " << *sweep.seedNote << '\n';
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  if (!checkWritable(settings.out, error)) {
    streams.err << "vok-sim tune: --out: " << error << '\n';
    return kExitBadArguments;
  }
  SourceOrFailure made = makeSource(sweep);
  if (!made.source) {
    streams.err << made.failure << '\n';
    return kExitInitFailure;
  }
  const SweepSource& source = *made.source;
  const std::optional<ThresholdRequest> range = thresholdRequest(settings.threshold, source, error);
  if (!range) {
    streams.err << "vok-sim tune: " << error << '\n';
    return kExitBadArguments;
  }
  if (source.itert() < 1 || source.itert() > settings.maxIterations) {
    streams.err << "vok-sim tune: the starting schedule has " << source.itert()
                << " iterations; --max-iterations must be at least that, and it at least 1\n";
    return kExitBadArguments;
  }
  streams.out << fmt::format(
      "Tuning the schedule of code nk={} nr={} (rate {:.4f}) for {} {} symbols per block: "
      "target block error rate {}, {} tuning blocks per probe (seed {}), up to {} iterations\n",
      source.nk(), source.nr(), source.codeRate(), source.symbolCount(), made.kind,
      settings.threshold.target, sweep.blocks, sweep.seed, settings.maxIterations);
  streams.out.flush();
  TuneRequest request;
  request.range = *range;
  request.maxIterations = settings.maxIterations;
  request.rounds = settings.rounds;
  request.seconds = settings.seconds;
  request.nr = source.nr();
  request.maxVotes = source.code().voteScratchCapacity();
  SweepBench bench(source, settings);
  const TuneLog log = [&](const std::string& line) {
    streams.out << line << '\n';
    streams.out.flush();
  };
  const TuneResult result = tuneSchedule(bench, source.schedule(), request, log);
  if (result.failure) {
    streams.err << "vok-sim tune: " << *result.failure << '\n';
    return kExitBadArguments;
  }
  report(result, settings, streams.out);
  if (const std::optional<SeedOverlap> overlap =
          firstSeedOverlap(bench.allPoints(), sweep.blocks + settings.heldOutBlocks)) {
    streams.err << "vok-sim tune: warning: from block " << overlap->block
                << " on, P0=" << overlap->later
                << " reuses the channel seeds of P0=" << overlap->earlier
                << ", so some held-out blocks may share channel draws with tuning blocks\n";
  }
  if (!writeWholeFile(settings.out, formatDecoderSchedule(result.written), error)) {
    streams.err << "vok-sim tune: --out: " << error << '\n';
    return kExitBadArguments;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  streams.out << fmt::format("{} schedules tried in {} rounds, {:.1f} s\n", result.schedulesTried,
                             result.rounds, seconds);
  return kExitOk;
}

void addTuneCommand(CommandRegistry& registry) {
  auto texts = std::make_shared<TuneOptionTexts>();
  CLI::App& app = registry.add(
      "tune",
      "Search a decoder schedule (t, w, p per iteration and the iteration count) that raises the "
      "threshold; confirmed on held-out blocks",
      [texts](CommandStreams& streams) {
        std::string error;
        const std::optional<TuneSettings> settings = convertTuneOptions(*texts, error);
        if (!settings) {
          streams.err << "vok-sim tune: " << error << '\n';
          return kExitBadArguments;
        }
        return runTune(*settings, streams);
      });
  addThresholdOptions(app, texts->threshold);
  app.add_option("--held-out-blocks", texts->heldOutBlocks,
                 "Blocks per probe on which start and result are compared, blocks B.. of the "
                 "seed (default: as many as --blocks)");
  app.add_option("--max-iterations", texts->maxIterations,
                 "Most iterations the schedule may get (default 40)");
  app.add_option("--rounds", texts->rounds,
                 "Passes over all coordinates at most (default 2; ends early without a gain)");
  app.add_option("--seconds", texts->seconds,
                 "Try no new schedule after this many seconds (the result then depends on speed)");
  app.add_option("--out", texts->out, "Schedule file to write (decoder.vok format)")->required();
}

}  // namespace vok::sim
