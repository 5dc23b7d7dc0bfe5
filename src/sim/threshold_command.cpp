// `vok-sim threshold`: options, the probes on the sweep engine, the table of
// probes and the result as text or JSON.
#include "sim/threshold_command.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>

#include "common/number_text.h"
#include "sim/interval_statistics.h"
#include "sim/sweep_capacity.h"
#include "sim/sweep_csv.h"

namespace vok::sim {
namespace {

constexpr double kDefaultFrom = 0.01;

std::optional<int> gridOption(const std::optional<std::string>& text, const char* option,
                              std::string& error) {
  if (!text) return std::nullopt;
  const std::optional<double> value = parseWholeDecimal(*text);
  if (text->empty() || !value || !(*value >= 0.0 && *value <= 1.0)) {
    error = std::string(option) + ": '" + *text + "' is not a P0 between 0 and 1";
    return std::nullopt;
  }
  return gridIndex(*value);
}

// The probes as they finish: one line each, so a long search shows progress.
class PrintingProbe : public BlerProbe {
 public:
  PrintingProbe(BlerProbe& inner, std::ostream* out) : inner_(inner), out_(out) {}
  ProbeCounts measure(float p0) override {
    const ProbeCounts counts = inner_.measure(p0);
    if (out_ != nullptr) {
      const Interval wilson = wilsonInterval(counts.blockErrors, counts.blocks);
      *out_ << fmt::format(
          "{:>8.3f}{:>9}{:>14}{:>11.3e}   {:.4f} to {:.4f}\n", p0, counts.blocks,
          counts.blockErrors,
          static_cast<double>(counts.blockErrors) / static_cast<double>(counts.blocks), wilson.low,
          wilson.high);
      out_->flush();
    }
    return counts;
  }

 private:
  BlerProbe& inner_;
  std::ostream* out_;
};

}  // namespace

std::optional<ThresholdSettings> convertThresholdOptions(const ThresholdOptionTexts& texts,
                                                         std::string& error) {
  // The source, block and thread options mean what they mean for a sweep;
  // the sweep's conversion checks them (the P0 list is the search's own).
  SweepOptionTexts sweep;
  static_cast<SourceOptionTexts&>(sweep) = texts;
  sweep.p0 = "0";
  sweep.blocks = texts.blocks;
  sweep.minBlockErrors = texts.minBlockErrors;
  sweep.stopOnZeroSyndromes = texts.stopOnZeroSyndromes;
  sweep.threads = texts.threads;
  sweep.seed = texts.seed;
  std::optional<SweepSettings> converted = convertSweepOptions(sweep, error);
  if (!converted) return std::nullopt;
  ThresholdSettings s;
  s.sweep = std::move(*converted);
  const std::optional<double> target = parseWholeDecimal(texts.target);
  if (texts.target.empty() || !target || !(*target > 0.0 && *target < 1.0)) {
    error = "--target: '" + texts.target +
            "' is not a block error rate between 0 and 1 (both excluded)";
    return std::nullopt;
  }
  s.target = *target;
  s.fromK = gridOption(texts.from, "--from", error);
  if (!error.empty()) return std::nullopt;
  s.toK = gridOption(texts.to, "--to", error);
  if (!error.empty()) return std::nullopt;
  s.json = texts.json;
  return s;
}

std::optional<ThresholdRequest> thresholdRequest(const ThresholdSettings& settings,
                                                 const SweepSource& source, std::string& error) {
  ThresholdRequest request;
  request.target = settings.target;
  request.fromK = settings.fromK.value_or(gridIndex(kDefaultFrom));
  const double limit = capacityLimitP0(static_cast<double>(source.codeRate()), source.q());
  request.toK = settings.toK.value_or(
      std::min(kThresholdGrid, static_cast<int>(std::ceil(limit * kThresholdGrid - 1e-9))));
  if (request.fromK >= request.toK) {
    error = "--from " + p0Text(static_cast<float>(request.fromK / double{kThresholdGrid})) +
            " must lie below --to " +
            p0Text(static_cast<float>(request.toK / double{kThresholdGrid})) +
            " (both on the grid of 0.001)";
    return std::nullopt;
  }
  return request;
}

ProbeCounts SweepProbe::measure(float p0) {
  plan_.p0 = p0;
  const PointOutcome outcome = runPoint(source_, plan_);
  blocksRun_ += outcome.totals.blocks;
  seconds_ += outcome.seconds;
  return ProbeCounts{outcome.totals.blocks, outcome.totals.blockErrors};
}

std::string thresholdJson(const ThresholdResult& result, double target, std::int64_t blocks,
                          std::int32_t symbols) {
  // Grid values as the doubles of their shortest texts: 0.25, not 0.2500000037.
  const auto p0Value = [](int k) { return static_cast<double>(k) / kThresholdGrid; };
  nlohmann::ordered_json probes = nlohmann::ordered_json::array();
  for (const ThresholdProbe& p : result.probes) {
    probes.push_back({{"p0", p0Value(p.k)},
                      {"blocks", p.counts.blocks},
                      {"block_errors", p.counts.blockErrors},
                      {"bler", p.bler()},
                      {"low", p.low},
                      {"high", p.high}});
  }
  nlohmann::ordered_json object = {{"threshold", result.threshold()},
                                   {"low", result.low()},
                                   {"high", result.high()},
                                   {"target", target},
                                   {"blocks", blocks},
                                   {"symbols", symbols},
                                   {"probes", probes}};
  return object.dump();
}

std::string thresholdText(const ThresholdResult& result) {
  std::string text = fmt::format("{:.4f} (95 % interval {:.3f} to {:.3f})", result.threshold(),
                                 result.low(), result.high());
  if (result.lowAtRange || result.highAtRange) {
    text += fmt::format(
        "; no probe {} was surely {} the target, so {} is only the end of the "
        "search range: run more --blocks",
        result.lowAtRange ? "below" : "above", result.lowAtRange ? "under" : "over",
        result.lowAtRange ? "the low end" : "the high end");
  }
  return text;
}

int runThreshold(const ThresholdSettings& settings, CommandStreams& streams) {
  if (settings.sweep.seedNote) {
    streams.err << "vok-sim threshold: " << *settings.sweep.seedNote << '\n';
  }
  const auto start = std::chrono::steady_clock::now();
  SourceOrFailure made = makeSource(settings.sweep);
  if (!made.source) {
    streams.err << made.failure << '\n';
    return kExitInitFailure;
  }
  const SweepSource& source = *made.source;
  std::string error;
  const std::optional<ThresholdRequest> request = thresholdRequest(settings, source, error);
  if (!request) {
    streams.err << "vok-sim threshold: " << error << '\n';
    return kExitBadArguments;
  }
  if (!settings.json) {
    streams.out << fmt::format(
        "Threshold of {} {} symbols per block; code nk={} nr={} (rate {:.4f}), up to {} "
        "iterations; target block error rate {}, {} blocks per probe, seed {}\n",
        source.symbolCount(), made.kind, source.nk(), source.nr(), source.codeRate(),
        source.itert(), settings.target, settings.sweep.blocks, settings.sweep.seed);
    streams.out << fmt::format("{:>8}{:>9}{:>14}{:>11}   {}\n", "P0", "blocks", "block errors",
                               "block ER", "95 % interval");
  }
  SweepProbe engine(source, pointPlan(settings.sweep));
  PrintingProbe probe(engine, settings.json ? nullptr : &streams.out);
  const ThresholdResult result = findThreshold(probe, *request);
  if (result.failure) {
    streams.err << "vok-sim threshold: " << *result.failure << '\n';
    return kExitBadArguments;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (settings.json) {
    streams.out << thresholdJson(result, settings.target, settings.sweep.blocks,
                                 source.symbolCount())
                << '\n';
  } else {
    streams.out << "Threshold P0 = " << thresholdText(result) << '\n'
                << fmt::format("{} probes, {} blocks in {:.1f} s\n", result.probes.size(),
                               engine.blocksRun(), seconds);
  }
  return kExitOk;
}

void addThresholdOptions(CLI::App& app, ThresholdOptionTexts& texts) {
  addSourceOptions(app, texts);
  app.add_option("--target", texts.target, "Block error rate to cross (default 0.1)");
  app.add_option("--blocks", texts.blocks, "Blocks per probe (default 100)");
  app.add_option("--min-block-errors", texts.minBlockErrors,
                 "Stop a probe once E blocks were left with errors (default 0: never)");
  app.add_option("--from", texts.from, "Lowest P0 of the search (default 0.01)");
  app.add_option("--to", texts.to,
                 "Highest P0 of the search (default: where the capacity equals the code rate)");
  app.add_flag("--stop-on-zero-syndromes", texts.stopOnZeroSyndromes,
               "End a block's decoding once every syndrome is zero, as a receiver can");
  app.add_option("--threads", texts.threads, "Threads (default: all hardware threads)");
  app.add_option("--seed", texts.seed, "Sweep seed S of the block seeds (default 123)");
}

void addThresholdCommand(CommandRegistry& registry) {
  auto texts = std::make_shared<ThresholdOptionTexts>();
  CLI::App& app = registry.add(
      "threshold", "The P0 at which the block error rate crosses a target, by bisection to 0.001",
      [texts](CommandStreams& streams) {
        std::string error;
        const std::optional<ThresholdSettings> settings = convertThresholdOptions(*texts, error);
        if (!settings) {
          streams.err << "vok-sim threshold: " << error << '\n';
          return kExitBadArguments;
        }
        return runThreshold(*settings, streams);
      });
  addThresholdOptions(app, *texts);
  app.add_flag("--json", texts->json, "Print one JSON object instead of the table");
}

}  // namespace vok::sim
