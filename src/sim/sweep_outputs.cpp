#include "sim/sweep_outputs.h"

#include <utility>

#include "common/output_file.h"
#include "sim/sweep_capacity.h"

namespace vok::sim {

PlotInfo plotInfo(const SweepMetadata& m) {
  PlotInfo info;
  info.nk = m.nk;
  info.nr = m.nr;
  info.q = m.q;
  info.symbols = m.symbols;
  info.itert = m.itert;
  info.capacityP0 = capacityLimitP0(m.codeRate(), m.q);
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
  if (csv && svg && pathKind(*csv) != PathKind::kSpecial && sameOutputPath(*csv, *svg)) {
    err << "vok-sim " << command << ": --csv and --svg name the same file " << *csv << '\n';
    return false;
  }
  return true;
}

bool writtenOnlyAtEnd(const std::optional<std::string>& path) {
  return path && pathKind(*path) == PathKind::kSpecial;
}

}  // namespace vok::sim
