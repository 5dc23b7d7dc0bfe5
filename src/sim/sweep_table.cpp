#include "sim/sweep_table.h"

#include <string>

#include "common/number_text.h"
#include "sim/sweep_outputs.h"

namespace vok::sim {
namespace {

std::string pad(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

}  // namespace

void printTableHeader(std::ostream& out) {
  out << pad("P0", 8) << pad("blocks", 9) << pad("channel SER", 13) << pad("decoder SER", 13)
      << pad("block ER", 12) << pad("undetected", 11) << pad("iterations", 12)
      << pad("symbols/s", 12) << '\n';
}

void printTableRow(std::ostream& out, const SweepRow& row) {
  const PointTotals& t = row.totals;
  out << pad(p0Text(row.p0), 8) << pad(std::to_string(t.blocks), 9)
      << pad(formatExponent(t.channelErrorRate()), 13)
      << pad(formatExponent(t.decoderErrorRate()), 13)
      << pad(formatExponent(t.blockErrorRate()), 12)
      << pad(row.undetectedKnown ? std::to_string(t.undetected) : "?", 11)
      << pad(formatFixed(t.meanIterations(), 2), 12) << pad(formatFixed(row.throughput, 0), 12)
      << '\n';
}

void printSweepHeading(const SweepSettings& settings, const SourceOrFailure& made,
                       const SweepTable& table, const std::vector<SweepRow>& extended,
                       std::size_t todoCount, std::ostream& out) {
  const SweepSource& source = *made.source;
  const PlotInfo info = plotInfo(table.metadata);
  out << "Sweep of " << source.symbolCount() << ' ' << made.kind
      << " symbols per block; code nk=" << source.nk() << " nr=" << source.nr() << " (rate "
      << formatFixed(source.codeRate(), 4) << "), up to " << source.itert()
      << " iterations; Q=" << source.q()
      << "; capacity equals the rate at P0=" << formatFixed(info.capacityP0, 4) << '\n';
  if (settings.shard) {
    out << "Shard " << settings.shard->index << '/' << settings.shard->count
        << " of the blocks of every point\n";
  }
  printTableHeader(out);
  for (const SweepRow& row : table.rows) printTableRow(out, row);
  if (!table.rows.empty() || !extended.empty()) {
    out << "(" << table.rows.size() + extended.size() << " points from " << *settings.csv << ", "
        << extended.size() << " of them to extend, " << todoCount - extended.size() << " to run)\n";
  }
  out.flush();  // the table so far is seen before the first point is done
}

}  // namespace vok::sim
