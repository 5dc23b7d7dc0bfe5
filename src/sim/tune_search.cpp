// Coordinate descent with a bracket test per candidate, then the held-out
// comparison.
#include "sim/tune_search.h"

#include <fmt/format.h>

#include <map>

namespace vok::sim {
namespace {

// Remembers what a probe measured, so a bisection that starts from points
// already measured does not run them again.
class RememberingProbe : public BlerProbe {
 public:
  explicit RememberingProbe(BlerProbe& inner) : inner_(inner) {}
  ProbeCounts measure(float p0) override {
    const auto it = seen_.find(p0);
    if (it != seen_.end()) return it->second;
    return seen_[p0] = inner_.measure(p0);
  }

 private:
  BlerProbe& inner_;
  std::map<float, ProbeCounts> seen_;
};

float gridP0(int k) { return static_cast<float>(static_cast<double>(k) / kThresholdGrid); }

// A schedule's standing on the tuning blocks: its bracket, and the failed
// blocks at the bracket's lower end (fewer is better between equal
// brackets: the curve is lower just before it crosses).
struct Standing {
  int belowK = 0;
  std::int64_t errorsBelow = 0;
};

class Descent {
 public:
  Descent(ScheduleBench& bench, const TuneRequest& request, const TuneLog& log)
      : bench_(bench), request_(request), log_(log), start_(std::chrono::steady_clock::now()) {}

  // The standing of `candidate` when it beats `best`, else nullopt. Probes
  // the candidate at best's upper bracket end: under the target there, its
  // threshold is higher and a bisection above finds it; at or over it, the
  // lower end decides between worse and a tie broken by failed blocks.
  std::optional<Standing> beats(const DecoderSchedule& candidate, const Standing& best) {
    ++tried_;
    const int aboveK = best.belowK + 1;
    if (aboveK > request_.range.toK) return std::nullopt;  // nothing higher can be measured
    std::unique_ptr<BlerProbe> raw = bench_.probe(candidate, false);
    RememberingProbe probe(*raw);
    const ProbeCounts above = probe.measure(gridP0(aboveK));
    const double target = request_.range.target;
    if (!reachesTarget(above, target)) {
      if (aboveK == request_.range.toK) return Standing{aboveK, above.blockErrors};
      const ThresholdResult higher =
          findThreshold(probe, ThresholdRequest{target, aboveK, request_.range.toK, false});
      if (higher.failure) {  // under the target up to the end of the range
        return Standing{request_.range.toK, probe.measure(gridP0(request_.range.toK)).blockErrors};
      }
      const ProbeCounts below = probe.measure(gridP0(higher.belowK));
      return Standing{higher.belowK, below.blockErrors};
    }
    const ProbeCounts below = probe.measure(gridP0(best.belowK));
    if (reachesTarget(below, target) || below.blockErrors >= best.errorsBelow) return std::nullopt;
    return Standing{best.belowK, below.blockErrors};
  }

  bool outOfTime() const {
    if (!request_.seconds) return false;
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start_;
    return spent.count() >= *request_.seconds;
  }

  // Tries `change` in steps of `delta` while each step wins; returns true
  // when one did.
  bool climb(DecoderSchedule& best, Standing& standing, const std::string& name,
             const std::function<bool(DecoderSchedule&)>& change) {
    bool any = false;
    while (!outOfTime()) {
      DecoderSchedule candidate = best;
      if (!change(candidate)) break;
      const std::optional<Standing> won = beats(candidate, standing);
      if (!won) break;
      best = std::move(candidate);
      standing = *won;
      any = true;
      log_(fmt::format("  {}: threshold {:.4f} on the tuning blocks ({} failed at P0={:.3f})", name,
                       (standing.belowK + 0.5) / kThresholdGrid, standing.errorsBelow,
                       standing.belowK / double{kThresholdGrid}));
    }
    return any;
  }

  // One pass over every coordinate; true when anything improved.
  bool round(DecoderSchedule& best, Standing& standing) {
    bool any = false;
    const int nr = request_.nr;
    const int votes = request_.maxVotes;
    for (int k = 0; k < best.itert && !outOfTime(); ++k) {
      struct Field {
        const char* name;
        std::vector<int> DecoderSchedule::*values;
        int low, high;
      };
      const Field fields[] = {{"t", &DecoderSchedule::t, 0, votes},
                              {"w", &DecoderSchedule::w, 0, votes},
                              {"p", &DecoderSchedule::p, 1, nr}};
      for (const Field& f : fields) {
        for (int delta : {+1, -1}) {
          const std::string name = fmt::format("iteration {} {} {:+d}", k + 1, f.name, delta);
          any |= climb(best, standing, name, [&](DecoderSchedule& s) {
            if (k >= s.itert) return false;
            int& v = (s.*f.values)[static_cast<std::size_t>(k)];
            if (v + delta < f.low || v + delta > f.high) return false;
            v += delta;
            return true;
          });
        }
      }
    }
    any |= climb(best, standing, "one iteration more", [&](DecoderSchedule& s) {
      if (s.itert >= request_.maxIterations) return false;
      ++s.itert;
      for (std::vector<int>* a : {&s.w, &s.t, &s.c, &s.o, &s.p, &s.i}) a->push_back(a->back());
      return true;
    });
    any |= climb(best, standing, "one iteration fewer", [&](DecoderSchedule& s) {
      if (s.itert <= 1) return false;
      --s.itert;
      for (std::vector<int>* a : {&s.w, &s.t, &s.c, &s.o, &s.p, &s.i}) a->pop_back();
      return true;
    });
    return any;
  }

  int tried() const { return tried_; }

 private:
  ScheduleBench& bench_;
  const TuneRequest& request_;
  const TuneLog& log_;
  std::chrono::steady_clock::time_point start_;
  int tried_ = 0;
};

ThresholdResult heldOutThreshold(ScheduleBench& bench, const DecoderSchedule& schedule,
                                 const ThresholdRequest& range) {
  std::unique_ptr<BlerProbe> probe = bench.probe(schedule, true);
  return findThreshold(*probe, range);
}

}  // namespace

TuneResult tuneSchedule(ScheduleBench& bench, const DecoderSchedule& start,
                        const TuneRequest& request, const TuneLog& log) {
  TuneResult result;
  result.start = start;
  result.written = start;
  {
    std::unique_ptr<BlerProbe> raw = bench.probe(start, false);
    RememberingProbe probe(*raw);
    ThresholdRequest bracketOnly = request.range;
    bracketOnly.tighten = false;  // the search needs the bracket, not the interval
    result.startTuning = findThreshold(probe, bracketOnly);
    if (result.startTuning.failure) {
      result.failure = "the starting schedule on the tuning blocks: " + *result.startTuning.failure;
      return result;
    }
  }
  const ThresholdResult& s = result.startTuning;
  std::int64_t errorsBelow = 0;
  for (const ThresholdProbe& p : s.probes) {
    if (p.k == s.belowK) errorsBelow = p.counts.blockErrors;
  }
  Standing standing{s.belowK, errorsBelow};
  log(fmt::format("start: threshold {:.4f} on the tuning blocks", s.threshold()));
  Descent descent(bench, request, log);
  DecoderSchedule best = start;
  for (int r = 0; r < request.rounds && !descent.outOfTime(); ++r) {
    ++result.rounds;
    const bool any = descent.round(best, standing);
    log(
        fmt::format("round {}: threshold {:.4f} on the tuning blocks, {} iterations, {} schedules "
                    "tried so far",
                    r + 1, (standing.belowK + 0.5) / kThresholdGrid, best.itert, descent.tried()));
    if (!any) break;
  }
  result.tuned = best;
  result.tunedBelowK = standing.belowK;
  result.schedulesTried = descent.tried();

  result.startHeldOut = heldOutThreshold(bench, start, request.range);
  if (!(best == start)) {
    result.tunedHeldOut = heldOutThreshold(bench, best, request.range);
    // Only a better threshold measured on blocks the search never saw counts.
    result.improved = !result.startHeldOut.failure && !result.tunedHeldOut->failure &&
                      result.tunedHeldOut->threshold() > result.startHeldOut.threshold();
  }
  if (result.improved) result.written = best;
  return result;
}

}  // namespace vok::sim
