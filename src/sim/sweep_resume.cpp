#include "sim/sweep_resume.h"

#include <string>
#include <utility>

#include "common/output_file.h"
#include "sim/command_registry.h"

namespace vok::sim {
namespace {

// True when the rules of the sweep `m` would stop the point where `row` ends.
bool pointFinished(const SweepRow& row, const SweepMetadata& m) {
  const std::int64_t own = ownBlockCount(m.blocks, m.shard.value_or(Shard{}));
  return row.totals.blocks >= own || m.stopRule().errorsReached(row.totals);
}

}  // namespace

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
                           old->metadata.shard == settings.shard;
    const bool extends =
        old && old->metadata.extendsTo(table.metadata) && old->metadata.shard == settings.shard;
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

}  // namespace vok::sim
