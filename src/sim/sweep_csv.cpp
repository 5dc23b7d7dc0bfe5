// Writing and reading the sweep result file.
#include "sim/sweep_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <locale>
#include <map>
#include <sstream>

#include "common/checksum.h"
#include "common/number_text.h"
#include "sim/interval_statistics.h"

namespace vok::sim {
namespace {

constexpr std::string_view kFirstLinePrefix = "# vok-sim sweep ";
constexpr std::string_view kColumns =
    "p0,blocks,symbols,channel_errors,channel_ser,decoder_errors,decoder_ser,block_errors,bler,"
    "iterations,mean_iterations,undetected_blocks,bler_low,bler_high,decoder_ser_low,"
    "decoder_ser_high,decoder_error_squares,throughput";
// Files made before the intervals were written.
constexpr std::string_view kColumnsWithoutIntervals =
    "p0,blocks,symbols,channel_errors,channel_ser,decoder_errors,decoder_ser,block_errors,bler,"
    "iterations,mean_iterations,undetected_blocks,throughput";
// Files made before undetected errors were counted.
constexpr std::string_view kOldColumns =
    "p0,blocks,symbols,channel_errors,channel_ser,decoder_errors,decoder_ser,block_errors,bler,"
    "iterations,mean_iterations,throughput";
constexpr std::string_view kDetailColumn = ",block_detail";

std::string scientific(double value) {
  std::array<char, 64> buffer{};
  const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                               std::chars_format::scientific, 6);
  return std::string(buffer.data(), r.ptr);
}

template <typename T>
bool readNumber(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, value);
  return r.ec == std::errc() && r.ptr == end;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  return parts;
}

std::string metadataLine(const SweepMetadata& m) {
  return std::string(kFirstLinePrefix) + sweepMetadataFields(m);
}

std::optional<SweepMetadata> parseMetadata(std::string_view line, std::string& error) {
  if (line.substr(0, kFirstLinePrefix.size()) != kFirstLinePrefix) {
    error = "not a vok-sim sweep file (first line)";
    return std::nullopt;
  }
  return parseSweepMetadataFields(line.substr(kFirstLinePrefix.size()), error);
}

}  // namespace

std::string sweepMetadataFields(const SweepMetadata& m) {
  std::ostringstream line;
  line.imbue(std::locale::classic());
  line << "source=" << m.source << " symbols=" << m.symbols << " nk=" << m.nk << " nr=" << m.nr
       << " itert=" << m.itert << " q=" << m.q << " code-crc=" << crc32Text(m.codeCrc)
       << " source-crc=" << crc32Text(m.sourceCrc) << " seed=" << m.seed << " blocks=" << m.blocks
       << " min-errors=" << m.minErrors << " min-block-errors=" << m.minBlockErrors
       << " stop=" << (m.earlyStop == EarlyStop::kSyndromes ? "syndromes" : "source");
  if (m.shard) line << " shard=" << m.shard->index << '/' << m.shard->count;
  return line.str();
}

std::optional<SweepMetadata> parseSweepMetadataFields(std::string_view text, std::string& error) {
  std::map<std::string, std::string, std::less<>> fields;
  for (std::string_view field : split(text, ' ')) {
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) {
      error = "malformed first line";
      return std::nullopt;
    }
    fields[std::string(field.substr(0, eq))] = std::string(field.substr(eq + 1));
  }
  SweepMetadata m;
  bool ok = true;
  const auto get = [&](const char* key) -> std::string_view {
    const auto it = fields.find(key);
    if (it == fields.end()) {
      ok = false;
      return {};
    }
    return it->second;
  };
  m.source = std::string(get("source"));
  ok = ok && readNumber(get("symbols"), m.symbols) && readNumber(get("nk"), m.nk) &&
       readNumber(get("nr"), m.nr) && readNumber(get("itert"), m.itert) &&
       readNumber(get("q"), m.q) && readNumber(get("seed"), m.seed) &&
       readNumber(get("blocks"), m.blocks) && readNumber(get("min-errors"), m.minErrors);
  if (ok) {
    const std::string_view codeCrc = get("code-crc");
    const std::string_view sourceCrc = get("source-crc");
    const auto r1 = std::from_chars(codeCrc.data(), codeCrc.data() + codeCrc.size(), m.codeCrc, 16);
    const auto r2 =
        std::from_chars(sourceCrc.data(), sourceCrc.data() + sourceCrc.size(), m.sourceCrc, 16);
    ok = ok && r1.ec == std::errc() && r2.ec == std::errc();
  }
  if (ok && fields.count("min-block-errors") != 0) {
    ok = readNumber(fields["min-block-errors"], m.minBlockErrors);
  }
  if (ok && fields.count("stop") != 0) {
    const std::string& stop = fields["stop"];
    ok = stop == "source" || stop == "syndromes";
    m.earlyStop = stop == "syndromes" ? EarlyStop::kSyndromes : EarlyStop::kSource;
  }
  if (ok && fields.count("shard") != 0) {
    const std::vector<std::string_view> parts = split(fields["shard"], '/');
    Shard shard;
    ok = parts.size() == 2 && readNumber(parts[0], shard.index) &&
         readNumber(parts[1], shard.count) && shard.count >= 1 && shard.index >= 1 &&
         shard.index <= shard.count;
    m.shard = shard;
  }
  if (!ok || m.symbols < 1 || m.blocks < 0 || m.minErrors < 0 || m.minBlockErrors < 0 ||
      m.itert < 0 || m.nk < 1 || m.nr < 1) {
    error = "malformed first line";
    return std::nullopt;
  }
  return m;
}

namespace {

std::string detailText(const std::vector<BlockResult>& blocks) {
  std::string text;
  for (const BlockResult& b : blocks) {
    if (!text.empty()) text += ' ';
    text += std::to_string(b.block) + ':' + std::to_string(b.channelErrors) + ':' +
            std::to_string(b.decoderErrors) + ':' + std::to_string(b.iterations) + ':' +
            (b.undetected ? '1' : '0');
  }
  return text;
}

// Entries "block:channel:decoder:iterations:undetected"; older files have no
// undetected field (`withUndetected` false).
bool parseDetail(std::string_view text, bool withUndetected, std::vector<BlockResult>& blocks) {
  if (text.empty()) return true;
  for (std::string_view item : split(text, ' ')) {
    const std::vector<std::string_view> parts = split(item, ':');
    BlockResult b;
    if (parts.size() != (withUndetected ? 5u : 4u) || !readNumber(parts[0], b.block) ||
        !readNumber(parts[1], b.channelErrors) || !readNumber(parts[2], b.decoderErrors) ||
        !readNumber(parts[3], b.iterations)) {
      return false;
    }
    if (withUndetected) {
      if (parts[4] != "0" && parts[4] != "1") return false;
      b.undetected = parts[4] == "1";
    }
    blocks.push_back(b);
  }
  return true;
}

// a x b, or the largest int64 when that overflows (a file may hold any count).
std::int64_t product(std::int64_t a, std::int64_t b) {
  std::int64_t p = 0;
  return __builtin_mul_overflow(a, b, &p) ? std::numeric_limits<std::int64_t>::max() : p;
}

// Why `row` cannot be a point of the sweep `m` whatever its settings, or
// empty: counts beyond what its blocks hold, or a detail that disagrees with
// the totals.
std::string rowProblem(const SweepMetadata& m, const SweepRow& row) {
  const PointTotals& t = row.totals;
  if (!(row.p0 >= 0.0f && row.p0 <= 1.0f)) return "P0 " + p0Text(row.p0) + " is not in 0..1";
  if (t.blocks < 0 || t.symbols != product(t.blocks, m.symbols)) {
    return "symbols is not blocks x " + std::to_string(m.symbols);
  }
  if (t.channelErrors < 0 || t.channelErrors > t.symbols) {
    return "channel_errors is not in 0..symbols";
  }
  if (t.decoderErrors < 0 || t.decoderErrors > t.symbols) {
    return "decoder_errors is not in 0..symbols";
  }
  // Every block left with errors holds 1..N of them.
  if (t.blockErrors < 0 || t.blockErrors > t.blocks || t.blockErrors > t.decoderErrors ||
      t.decoderErrors > product(t.blockErrors, m.symbols)) {
    return "block_errors does not fit decoder_errors and blocks";
  }
  if (t.undetected < 0 || t.undetected > t.blockErrors) {
    return "undetected_blocks is more than block_errors";
  }
  // Each block's e^2 lies between e and N e.
  const double errors = static_cast<double>(t.decoderErrors);
  if (row.squaresKnown && !(t.decoderErrorSquares >= errors &&
                            t.decoderErrorSquares <= errors * static_cast<double>(m.symbols))) {
    return "decoder_error_squares does not fit decoder_errors";
  }
  // A block runs one iteration at least (none when the schedule has none) and
  // all of them when errors are left (that the receiver's stop can see).
  const std::int64_t itert = m.itert;
  const std::int64_t mustRunAll =
      m.earlyStop == EarlyStop::kSyndromes ? t.blockErrors - t.undetected : t.blockErrors;
  if (t.iterations < product(t.blocks, std::min<std::int64_t>(itert, 1)) ||
      t.iterations < product(mustRunAll, itert) || t.iterations > product(t.blocks, itert)) {
    return "iterations is not possible for " + std::to_string(t.blocks) + " blocks of up to " +
           std::to_string(itert) + " iterations";
  }
  if (!(row.throughput >= 0.0 && row.throughput <= 1e300)) return "throughput is not a rate";
  if (!m.shard) return {};
  PointTotals sum;
  std::int64_t previous = -1;
  for (const BlockResult& b : row.blocks) {
    const std::string block = "block_detail entry of block " + std::to_string(b.block) + ": ";
    if (b.block <= previous) return block + "blocks not in increasing order (repeated?)";
    previous = b.block;
    if (b.block >= m.blocks) return block + "beyond the sweep's " + std::to_string(m.blocks);
    if (b.block % m.shard->count != m.shard->index - 1) return block + "not one of this shard's";
    if (b.channelErrors < 0 || b.channelErrors > m.symbols) {
      return block + "channel errors not in 0.." + std::to_string(m.symbols);
    }
    if (b.decoderErrors < 0 || b.decoderErrors > m.symbols) {
      return block + "decoder errors not in 0.." + std::to_string(m.symbols);
    }
    if (b.undetected && b.decoderErrors == 0) return block + "undetected without errors";
    const bool seenWrong =
        b.decoderErrors > 0 && !(m.earlyStop == EarlyStop::kSyndromes && b.undetected);
    if (b.iterations < std::min(m.itert, 1) || b.iterations > m.itert ||
        (seenWrong && b.iterations != m.itert)) {
      return block + "iterations not possible with itert " + std::to_string(m.itert);
    }
    sum.add(b, m.symbols);
  }
  if (!row.undetectedKnown) sum.undetected = 0;
  if (sum != t) return "the totals disagree with block_detail";
  return {};
}

// bler_low,bler_high,decoder_ser_low,decoder_ser_high,decoder_error_squares;
// the symbol error cells are empty when the squares are not known.
std::string intervalCells(const SweepRow& row, std::int32_t symbols) {
  const PointTotals& t = row.totals;
  if (t.blocks < 1) return ",,,,";
  const Interval bler = wilsonInterval(t.blockErrors, t.blocks);
  std::string cells = scientific(bler.low) + ',' + scientific(bler.high) + ',';
  if (!row.squaresKnown) return cells + ",,";
  const Interval ser = blockMeanInterval(t.decoderErrors, t.decoderErrorSquares, t.blocks, symbols);
  return cells + scientific(ser.low) + ',' + scientific(ser.high) + ',' +
         formatFixed(t.decoderErrorSquares, 0);
}

}  // namespace

bool SweepMetadata::sameSimulation(const SweepMetadata& o) const {
  return source == o.source && symbols == o.symbols && nk == o.nk && nr == o.nr &&
         itert == o.itert && q == o.q && codeCrc == o.codeCrc && sourceCrc == o.sourceCrc &&
         seed == o.seed && blocks == o.blocks && minErrors == o.minErrors &&
         minBlockErrors == o.minBlockErrors && earlyStop == o.earlyStop;
}

bool SweepMetadata::extendsTo(const SweepMetadata& later) const {
  const auto noEarlier = [](std::int64_t before, std::int64_t after) {
    return before == after || (before > 0 && (after == 0 || after > before));
  };
  SweepMetadata same = later;
  same.blocks = blocks;
  same.minErrors = minErrors;
  same.minBlockErrors = minBlockErrors;
  return sameSimulation(same) && later.blocks >= blocks && noEarlier(minErrors, later.minErrors) &&
         noEarlier(minBlockErrors, later.minBlockErrors);
}

SweepMetadata describeSweep(const SweepSource& source, const std::string& kind, std::int32_t seed,
                            const StopRule& rule, EarlyStop earlyStop, std::optional<Shard> shard) {
  SweepMetadata m;
  m.source = kind;
  m.symbols = source.symbolCount();
  m.nk = source.nk();
  m.nr = source.nr();
  m.itert = source.itert();
  m.q = source.q();
  std::ostringstream code;
  code.imbue(std::locale::classic());
  for (int i = 0; i < source.nk(); ++i) {
    for (int j = 0; j < source.nr(); ++j) {
      code << 't';
      for (std::int32_t d : source.code().taps[i][j].delays) code << ' ' << d;
    }
  }
  const DecoderSchedule& s = source.schedule();
  for (const std::vector<int>* array : {&s.w, &s.t, &s.c, &s.o, &s.p, &s.i}) {
    code << 's';
    for (int v : *array) code << ' ' << v;
  }
  m.codeCrc = crc32Of(code.str());
  std::string bytes;
  for (std::int32_t symbol : source.information()) bytes.push_back(static_cast<char>(symbol));
  m.sourceCrc = crc32Of(bytes);
  m.seed = seed;
  m.blocks = rule.maxBlocks;
  m.minErrors = rule.minErrors;
  m.minBlockErrors = rule.minBlockErrors;
  m.earlyStop = earlyStop;
  m.shard = shard;
  return m;
}

std::string p0Text(float p0) {
  std::array<char, 64> buffer{};
  const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), p0);
  return std::string(buffer.data(), r.ptr);
}

std::string formatSweepCsv(const SweepTable& table) {
  const bool detail = table.metadata.shard.has_value();
  std::string text = metadataLine(table.metadata) + '\n';
  text += kColumns;
  if (detail) text += kDetailColumn;
  text += '\n';
  for (const SweepRow& row : table.rows) {
    const PointTotals& t = row.totals;
    text += p0Text(row.p0) + ',' + std::to_string(t.blocks) + ',' + std::to_string(t.symbols) +
            ',' + std::to_string(t.channelErrors) + ',' + scientific(t.channelErrorRate()) + ',' +
            std::to_string(t.decoderErrors) + ',' + scientific(t.decoderErrorRate()) + ',' +
            std::to_string(t.blockErrors) + ',' + scientific(t.blockErrorRate()) + ',' +
            std::to_string(t.iterations) + ',' + formatFixed(t.meanIterations(), 3) + ',' +
            (row.undetectedKnown ? std::to_string(t.undetected) : std::string()) + ',' +
            intervalCells(row, table.metadata.symbols) + ',' + formatFixed(row.throughput, 0);
    if (detail) text += ',' + detailText(row.blocks);
    text += '\n';
  }
  return text;
}

std::optional<SweepTable> parseSweepCsv(std::string_view text, std::string& error) {
  std::vector<std::string_view> lines = split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (std::string_view& line : lines) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  if (lines.size() < 2) {
    error = "not a vok-sim sweep file (too short)";
    return std::nullopt;
  }
  SweepTable table;
  const std::optional<SweepMetadata> metadata = parseMetadata(lines[0], error);
  if (!metadata) return std::nullopt;
  table.metadata = *metadata;
  const bool detail = table.metadata.shard.has_value();
  const std::string detailColumn = detail ? std::string(kDetailColumn) : "";
  const std::string oldHeader = std::string(kOldColumns) + detailColumn;
  const std::string noIntervalsHeader = std::string(kColumnsWithoutIntervals) + detailColumn;
  const std::string header = std::string(kColumns) + detailColumn;
  if (lines[1] != header && lines[1] != noIntervalsHeader && lines[1] != oldHeader) {
    error = "unexpected column header";
    return std::nullopt;
  }
  const bool old = lines[1] == oldHeader;
  const bool intervals = lines[1] == header;
  const std::size_t columns = (detail ? 13 : 12) + (old ? 0 : 1) + (intervals ? 5 : 0);
  for (std::size_t k = 2; k < lines.size(); ++k) {
    const std::string line = "line " + std::to_string(k + 1) + ": ";
    const std::vector<std::string_view> cells = split(lines[k], ',');
    SweepRow row;
    PointTotals& t = row.totals;
    row.undetectedKnown = !old && cells.size() == columns && !cells[11].empty();
    // The interval cells are derived from the counts and written anew.
    row.squaresKnown = intervals && cells.size() == columns && !cells[16].empty();
    const std::size_t throughput = old ? 11 : intervals ? 17 : 12;
    const bool ok =
        cells.size() == columns && readNumber(cells[0], row.p0) && readNumber(cells[1], t.blocks) &&
        readNumber(cells[2], t.symbols) && readNumber(cells[3], t.channelErrors) &&
        readNumber(cells[5], t.decoderErrors) && readNumber(cells[7], t.blockErrors) &&
        readNumber(cells[9], t.iterations) && readNumber(cells[throughput], row.throughput) &&
        (!row.undetectedKnown || readNumber(cells[11], t.undetected)) &&
        (!row.squaresKnown || readNumber(cells[16], t.decoderErrorSquares)) &&
        (!detail || parseDetail(cells[columns - 1], !old, row.blocks));
    if (!ok) {
      error = line + "malformed row";
      return std::nullopt;
    }
    if (detail && !row.squaresKnown) {  // the detail of an older file gives them
      for (const BlockResult& b : row.blocks) {
        t.decoderErrorSquares +=
            static_cast<double>(b.decoderErrors) * static_cast<double>(b.decoderErrors);
      }
      row.squaresKnown = true;
    }
    const std::string problem = rowProblem(table.metadata, row);
    if (!problem.empty()) {
      error = line + problem;
      return std::nullopt;
    }
    // The rates are derived; one that disagrees shows a count edited by hand.
    if (cells[4] != scientific(t.channelErrorRate()) ||
        cells[6] != scientific(t.decoderErrorRate()) ||
        cells[8] != scientific(t.blockErrorRate()) ||
        cells[10] != formatFixed(t.meanIterations(), 3)) {
      error = line + "a rate disagrees with its counts (edited?)";
      return std::nullopt;
    }
    for (const SweepRow& earlier : table.rows) {
      if (earlier.p0 == row.p0) {
        error = line + "P0 " + p0Text(row.p0) + " appears twice";
        return std::nullopt;
      }
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

bool checkSweepRules(const SweepTable& table, std::string& error) {
  const SweepMetadata& m = table.metadata;
  const Shard shard = m.shard.value_or(Shard{});
  const std::int64_t own = ownBlockCount(m.blocks, shard);
  for (std::size_t k = 0; k < table.rows.size(); ++k) {
    const SweepRow& row = table.rows[k];
    const PointTotals& t = row.totals;
    const std::string line = "line " + std::to_string(k + 3) + ": ";
    if (t.blocks > own) {
      error =
          line + std::to_string(t.blocks) + " blocks, more than the sweep's " + std::to_string(own);
      return false;
    }
    const StopRule rule = m.stopRule();
    if (t.blocks < own && m.minErrors == 0 && m.minBlockErrors == 0) {
      error = line + "only " + std::to_string(t.blocks) + " of " + std::to_string(own) +
              " blocks, but without min-errors or min-block-errors every point runs them all";
      return false;
    }
    if (t.blocks < own && !rule.errorsReached(t)) {
      error = line + "stopped after " + std::to_string(t.blocks) + " blocks with " +
              std::to_string(t.decoderErrors) + " decoder errors in " +
              std::to_string(t.blockErrors) + " blocks, short of min-errors " +
              std::to_string(m.minErrors) + " and min-block-errors " +
              std::to_string(m.minBlockErrors);
      return false;
    }
    // The point stops at the first block that brings the errors up to E or
    // E_b, so all blocks but the last stayed below both.
    if (m.minErrors > 0 && t.blocks > 0 && t.decoderErrors - m.symbols >= m.minErrors) {
      error = line + "more decoder errors than a point that stops at min-errors " +
              std::to_string(m.minErrors) + " can have";
      return false;
    }
    if (m.minBlockErrors > 0 && t.blockErrors > m.minBlockErrors) {
      error = line + "more block errors than a point that stops at min-block-errors " +
              std::to_string(m.minBlockErrors) + " can have";
      return false;
    }
    if (!m.shard) continue;
    PointTotals sofar;
    for (std::size_t b = 0; b < row.blocks.size(); ++b) {
      const std::int64_t expected = shardBlock(shard, static_cast<std::int64_t>(b));
      if (row.blocks[b].block != expected) {
        error = line + "block_detail lists block " + std::to_string(row.blocks[b].block) +
                " where the shard's block " + std::to_string(expected) + " belongs";
        return false;
      }
      if (rule.errorsReached(sofar)) {
        error = line +
                "block_detail goes on after the errors reached min-errors or "
                "min-block-errors";
        return false;
      }
      sofar.add(row.blocks[b], m.symbols);
    }
  }
  return true;
}

}  // namespace vok::sim
