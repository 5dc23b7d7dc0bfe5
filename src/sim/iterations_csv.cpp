// Writing, reading and extending the iterations file.
#include "sim/iterations_csv.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

#include "common/output_file.h"

namespace vok::sim {
namespace {

constexpr std::string_view kPrefix = "# vok-sim iterations ";
constexpr std::string_view kHeader = "p0,iteration,blocks,decoder_errors,mean_decoder_errors";

std::vector<std::string_view> cellsOf(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    cells.push_back(line.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) return cells;
    start = comma + 1;
  }
}

template <typename T>
bool readNumber(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  return r.ec == std::errc() && r.ptr == end;
}

// One line of the file into `table`: a new point at iteration 0, the next
// iteration of the last point otherwise.
std::string takeLine(std::string_view text, IterationTable& table) {
  const std::vector<std::string_view> cells = cellsOf(text);
  float p0 = 0;
  int k = 0;
  std::int64_t blocks = 0;
  std::int64_t errors = 0;
  if (cells.size() != 5 || !readNumber(cells[0], p0) || !readNumber(cells[1], k) ||
      !readNumber(cells[2], blocks) || !readNumber(cells[3], errors)) {
    return "malformed row";
  }
  const SweepMetadata& m = table.metadata;
  if (!(p0 >= 0.0f && p0 <= 1.0f) || blocks < 1 || errors < 0 || errors / m.symbols > blocks) {
    return "counts that do not fit the blocks";
  }
  if (k == 0) {
    if (!table.rows.empty() && !(table.rows.back().p0 < p0)) return "P0 not in increasing order";
    table.rows.push_back(IterationRow{p0, blocks, {}});
  }
  if (table.rows.empty() || table.rows.back().p0 != p0 || table.rows.back().blocks != blocks ||
      static_cast<std::size_t>(k) != table.rows.back().errors.size() || k > m.itert) {
    return "iteration " + std::to_string(k) + " out of order";
  }
  table.rows.back().errors.push_back(errors);
  return {};
}

}  // namespace

std::string formatIterationsCsv(const IterationTable& table) {
  std::string text = std::string(kPrefix) + sweepMetadataFields(table.metadata) + '\n';
  text += kHeader;
  text += '\n';
  for (const IterationRow& row : table.rows) {
    for (std::size_t k = 0; k < row.errors.size(); ++k) {
      text += fmt::format("{},{},{},{},{:.3f}\n", p0Text(row.p0), k, row.blocks, row.errors[k],
                          static_cast<double>(row.errors[k]) / static_cast<double>(row.blocks));
    }
  }
  return text;
}

std::optional<IterationTable> parseIterationsCsv(std::string_view text, std::string& error) {
  IterationTable table;
  std::size_t start = 0;
  int number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    ++number;
    if (number == 1) {
      if (line.substr(0, kPrefix.size()) != kPrefix) {
        error = "not a vok-sim iterations file (first line)";
        return std::nullopt;
      }
      std::optional<SweepMetadata> m = parseSweepMetadataFields(line.substr(kPrefix.size()), error);
      if (!m) return std::nullopt;
      table.metadata = *m;
    } else if (number == 2) {
      if (line != kHeader) {
        error = "unexpected column header";
        return std::nullopt;
      }
    } else if (const std::string problem = takeLine(line, table); !problem.empty()) {
      error = "line " + std::to_string(number) + ": " + problem;
      return std::nullopt;
    }
  }
  if (number < 2) {
    error = "not a vok-sim iterations file (too short)";
    return std::nullopt;
  }
  for (const IterationRow& row : table.rows) {
    if (static_cast<int>(row.errors.size()) != table.metadata.itert + 1) {
      error = "P0 " + p0Text(row.p0) + " lacks iterations";
      return std::nullopt;
    }
  }
  return table;
}

IterationLog::IterationLog(std::string path, const SweepMetadata& metadata)
    : path_(std::move(path)) {
  table_.metadata = metadata;
}

bool IterationLog::start(bool resume, bool force, std::ostream& err) {
  const PathKind kind = pathKind(path_);
  std::string error;
  if (!checkWritable(path_, error)) {
    err << "vok-sim sweep: --iterations-csv: " << error << '\n';
    return false;
  }
  if (kind != PathKind::kRegular || (force && !resume)) return true;
  const std::optional<std::string> text = readWholeFile(path_, error);
  std::optional<IterationTable> old;
  if (text && !text->empty()) old = parseIterationsCsv(*text, error);
  if (text && text->empty()) return true;
  const bool usable = old && (resume ? old->metadata.extendsTo(table_.metadata)
                                     : old->metadata.sameSimulation(table_.metadata));
  if (!usable) {
    err << "vok-sim sweep: --iterations-csv: " << path_
        << (old ? " belongs to a different sweep" : ": " + error)
        << (resume ? "" : "; give --force to replace it") << '\n';
    return false;
  }
  if (resume) table_.rows = std::move(old->rows);
  return true;
}

void IterationLog::add(float p0, std::int64_t resumedBlocks, std::int64_t blocks,
                       const std::vector<std::int64_t>& errors, std::ostream& err) {
  const auto it = std::find_if(table_.rows.begin(), table_.rows.end(),
                               [&](const IterationRow& row) { return row.p0 == p0; });
  IterationRow row{p0, blocks, errors};
  row.errors.resize(static_cast<std::size_t>(table_.metadata.itert) + 1, 0);
  const bool known = resumedBlocks == 0 || (it != table_.rows.end() && it->blocks == resumedBlocks);
  if (known && resumedBlocks > 0) {
    for (std::size_t k = 0; k < row.errors.size(); ++k) row.errors[k] += it->errors[k];
  }
  if (it != table_.rows.end()) table_.rows.erase(it);
  if (!known) {
    if (!warned_) {
      err << "vok-sim sweep: --iterations-csv: " << path_
          << " lacks the earlier blocks of P0=" << p0Text(p0)
          << " (and perhaps others); such points are left out of it\n";
    }
    warned_ = true;
    return;
  }
  table_.rows.push_back(std::move(row));
  std::sort(table_.rows.begin(), table_.rows.end(),
            [](const IterationRow& a, const IterationRow& b) { return a.p0 < b.p0; });
}

bool IterationLog::write(std::ostream& err) const {
  std::string error;
  if (!writeWholeFile(path_, formatIterationsCsv(table_), error)) {
    err << "vok-sim sweep: --iterations-csv: " << error << '\n';
    return false;
  }
  return true;
}

}  // namespace vok::sim
