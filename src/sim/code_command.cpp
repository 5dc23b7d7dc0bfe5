// `vok-sim code check` and `vok-sim code search`: options, the readable
// report and the JSON object.
#include "sim/code_command.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "codec/code_description.h"
#include "common/number_text.h"
#include "common/output_file.h"
#include "design/code_text.h"
#include "design/orthogonality.h"
#include "experiment/experiment.h"
#include "sim/sweep_options.h"

namespace vok::sim {
namespace {

using Json = nlohmann::ordered_json;

std::string signedText(std::int64_t value) {
  return (value > 0 ? "+" : "") + std::to_string(value);
}

std::string pad(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

Json collisionJson(const design::Collision& c) {
  return Json{{"first", {{"branch", c.first.branch}, {"delay", c.first.delay}}},
              {"second", {{"branch", c.second.branch}, {"delay", c.second.delay}}},
              {"symbol", {{"branch", c.symbol.branch}, {"offset", c.symbol.offset}}},
              {"sameCheck", c.sameCheck}};
}

Json reportJson(const design::CodeReport& report) {
  Json branches = Json::array();
  for (const design::BranchReport& b : report.branches) {
    Json collisions = Json::array();
    for (const design::Collision& c : b.collisions) collisions.push_back(collisionJson(c));
    branches.push_back(Json{{"branch", b.branch},
                            {"votes", b.votes},
                            {"orthogonal", b.orthogonal},
                            {"collisions", std::move(collisions)}});
  }
  return Json{{"nk", report.nk},
              {"nr", report.nr},
              {"rate", report.rate},
              {"maxDelay", report.maxDelay},
              {"orthogonal", report.orthogonal},
              {"branches", std::move(branches)}};
}

std::string checkText(const design::VoteCheck& check) {
  return "(" + std::to_string(check.branch) + ", " + std::to_string(check.delay) + ")";
}

void printCollisions(const design::BranchReport& b, std::ostream& out) {
  out << "Branch " << b.branch << ": " << b.collisionCount << " colliding pair"
      << (b.collisionCount == 1 ? "" : "s") << " of checks (check branch, delay)\n";
  for (const design::Collision& c : b.collisions) {
    out << "  checks " << checkText(c.first) << " and " << checkText(c.second);
    if (c.sameCheck) {
      out << " are one check: it is read twice and holds the decided symbol twice\n";
    } else {
      out << " share symbol (" << c.symbol.branch << ", " << signedText(c.symbol.offset)
          << ") (information branch, offset)\n";
    }
  }
  const auto listed = static_cast<std::int64_t>(b.collisions.size());
  if (b.collisionCount > listed) out << "  and " << b.collisionCount - listed << " more\n";
}

void printReport(const design::CodeReport& report, const std::string& source, std::ostream& out) {
  out << "Code: " << source << '\n';
  out << "nk=" << report.nk << " nr=" << report.nr << ", rate " << formatFixed(report.rate, 4)
      << ", delays " << report.minDelay << ".." << report.maxDelay << '\n';
  const std::int64_t span = report.maxDelay - report.minDelay;
  if (report.length) {
    out << "Judged for branch length L = " << *report.length << ".\n";
  }
  if (report.orthogonal) {
    out << "The votes on every information branch are orthogonal";
    if (!report.length) {
      out << " for an unbounded branch length, and so for every branch length L > " << 2 * span;
    }
    out << ".\n";
  } else {
    out << "Not self-orthogonal: some votes share symbols other than the one decided.\n";
  }
  out << "branch  votes  orthogonal  corrects\n";
  for (const design::BranchReport& b : report.branches) {
    out << pad(std::to_string(b.branch), 6) << pad(std::to_string(b.votes), 7) << "  "
        << (b.orthogonal ? "yes       " : "no        ") << pad(std::to_string(b.guarantee), 10)
        << '\n';
  }
  for (const design::BranchReport& b : report.branches) {
    if (!b.orthogonal) printCollisions(b, out);
  }
  out << "Majority logic (threshold 0, the received value voting once): ";
  if (report.guarantee > 0) {
    out << "one vote corrects any " << report.guarantee << " wrong symbol"
        << (report.guarantee == 1 ? "" : "s")
        << " among a symbol and the other symbols of its checks, on every branch.\n";
  } else {
    out << "on some branch not even one wrong symbol is corrected for sure in one vote.\n";
  }
}

}  // namespace

int runCodeCheck(const CodeCheckSettings& settings, CommandStreams& streams) {
  if (settings.file && settings.directory) {
    streams.err << "vok-sim code check: give a FILE or --dir DIR, not both\n";
    return kExitBadArguments;
  }
  const std::string path = settings.file        ? *settings.file
                           : settings.directory ? *settings.directory + "/encoder.vok"
                                                : std::string("encoder.vok");
  CodeDescription code;
  std::string source = path;
  switch (readCodeDescription(path, code)) {
    case CodeFileStatus::kRead:
      break;
    case CodeFileStatus::kMissing:
      // As the program does: without the file it uses the built-in code.
      code = CodeDescription::builtIn();
      source = "built-in (" + path + " cannot be read)";
      if (settings.file) {
        streams.err << "vok-sim code check: " << path
                    << " cannot be read; reporting the built-in code the program would use\n";
      }
      break;
    case CodeFileStatus::kInvalid:
      streams.err << kMessageCodecNotLoaded << '\n';
      return kExitInitFailure;
  }
  const design::CodeReport report = design::analyseCode(code, settings.length);
  if (settings.json) {
    streams.out << reportJson(report).dump() << '\n';
  } else {
    printReport(report, source, streams.out);
  }
  return kExitOk;
}

int runCodeSearch(const CodeSearchSettings& settings, CommandStreams& streams) {
  std::string error;
  if (!checkWritable(settings.out, error)) {
    streams.err << "vok-sim code search: --out: " << error << '\n';
    return kExitBadArguments;
  }
  const design::SearchRequest& request = settings.request;
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::optional<std::int32_t> reported;
  const auto stop = [&](const design::SearchProgress& progress) {
    if (progress.bestDelay != reported) {
      reported = progress.bestDelay;
      streams.out << "largest delay " << *reported << " (attempt " << progress.foundAt << ", "
                  << formatFixed(elapsed(), 1) << " s)\n";
      streams.out.flush();
    }
    return elapsed() >= settings.seconds;
  };
  const design::SearchOutcome outcome = design::searchCode(request, stop);
  const std::string what = "nk=" + std::to_string(request.nk) +
                           " nr=" + std::to_string(request.nr) + " and " +
                           std::to_string(request.votes) + " votes on every information branch";
  if (!outcome.code) {
    streams.err << "vok-sim code search: no self-orthogonal code with " << what
                << " has all delays at most " << request.maxDelay;
    if (outcome.atLowerBound) {
      streams.err << ": such a code needs a largest delay of at least "
                  << design::largestDelayLowerBound(request) << '\n';
    } else {
      streams.err << " in the " << outcome.progress.attempts << " attempts made ("
                  << formatFixed(elapsed(), 1)
                  << " s); allow a larger --max-delay or give it more --seconds\n";
    }
    return kExitNoCodeFound;
  }
  if (!writeWholeFile(settings.out, design::formatCodeDescription(*outcome.code), error)) {
    streams.err << "vok-sim code search: --out: " << error << '\n';
    return kExitBadArguments;
  }
  const std::int32_t largest = *outcome.progress.bestDelay;
  streams.out << "Wrote " << settings.out << ": " << what << ", largest delay " << largest
              << ", self-orthogonal for every branch length L > " << 2 * largest << '\n'
              << (request.randomDelays ? "First code found, in attempt "
                                       : "Best of " + std::to_string(outcome.progress.attempts) +
                                             " attempts (found in attempt ")
              << outcome.progress.foundAt << (request.randomDelays ? ", " : "), ")
              << formatFixed(elapsed(), 1) << " s"
              << (outcome.atLowerBound ? "; no such code has a smaller largest delay" : "") << '\n';
  return kExitOk;
}

namespace {

struct CheckTexts {
  std::optional<std::string> file;
  std::optional<std::string> directory;
  std::optional<std::string> length;
  bool json = false;
};

struct SearchTexts {
  std::string nk, nr, votes, maxDelay;
  std::string seed = "1";
  std::string seconds = "10";
  std::optional<std::string> attempts;
  bool randomDelays = false;
  std::optional<std::string> layout;
  std::string out;
};

// Sets `value` from `text` or says why not.
bool takeCount(const char* option, const std::string& text, std::int64_t min, std::int64_t max,
               std::int64_t& value, std::string& error) {
  const std::optional<std::int64_t> n = parseCount(text, min, max);
  if (!n) {
    error = std::string(option) + ": '" + text + "' is not a whole number from " +
            std::to_string(min) + " to " + std::to_string(max);
    return false;
  }
  value = *n;
  return true;
}

// "a,b,.../c,d,...": nk rows of nr vote counts, each row adding up to the
// votes.
bool takeLayout(const std::string& text, design::SearchRequest& request, std::string& error) {
  std::vector<std::vector<int>> rows(1);
  std::string cell;
  const auto takeCell = [&]() {
    const std::optional<std::int64_t> n = parseCount(cell, 0, 64);
    if (!n) return false;
    rows.back().push_back(static_cast<int>(*n));
    cell.clear();
    return true;
  };
  bool ok = true;
  for (const char c : text) {
    if (c == ',' || c == '/') {
      ok = ok && takeCell();
      if (c == '/') rows.emplace_back();
    } else {
      cell += c;
    }
  }
  ok = ok && takeCell() && static_cast<int>(rows.size()) == request.nk;
  for (const std::vector<int>& row : rows) {
    int sum = 0;
    for (const int n : row) sum += n;
    ok = ok && static_cast<int>(row.size()) == request.nr && sum == request.votes;
  }
  if (!ok) {
    error = "--layout: '" + text + "' is not " + std::to_string(request.nk) +
            " rows (split by /) of " + std::to_string(request.nr) +
            " vote counts (split by ,) that each add up to --votes " +
            std::to_string(request.votes);
    return false;
  }
  request.layout = std::move(rows);
  return true;
}

std::optional<CodeSearchSettings> convertSearch(const SearchTexts& texts, std::string& error) {
  CodeSearchSettings s;
  std::int64_t nk = 0, nr = 0, votes = 0, maxDelay = 0, seed = 0;
  if (!takeCount("--nk", texts.nk, 1, kMaxBranches, nk, error) ||
      !takeCount("--nr", texts.nr, 1, kMaxBranches, nr, error) ||
      !takeCount("--votes", texts.votes, 1, 64, votes, error) ||
      !takeCount("--max-delay", texts.maxDelay, 0, 100000, maxDelay, error) ||
      !takeCount("--seed", texts.seed, 0, std::numeric_limits<std::int64_t>::max(), seed, error)) {
    return std::nullopt;
  }
  s.request.nk = static_cast<int>(nk);
  s.request.nr = static_cast<int>(nr);
  s.request.votes = static_cast<int>(votes);
  s.request.maxDelay = static_cast<std::int32_t>(maxDelay);
  s.request.seed = static_cast<std::uint64_t>(seed);
  if (texts.attempts &&
      !takeCount("--attempts", *texts.attempts, 1, std::numeric_limits<std::int64_t>::max(),
                 s.request.maxAttempts, error)) {
    return std::nullopt;
  }
  const std::optional<double> seconds = parseWholeDecimal(texts.seconds);
  if (!seconds || !(*seconds > 0) || *seconds > 1e6 || texts.seconds.empty()) {
    error = "--seconds: '" + texts.seconds + "' is not a number of seconds above 0 (at most 1e6)";
    return std::nullopt;
  }
  s.seconds = *seconds;
  s.request.randomDelays = texts.randomDelays;
  if (texts.layout && !takeLayout(*texts.layout, s.request, error)) return std::nullopt;
  s.out = texts.out;
  return s;
}

// The option texts of both subcommands and which of the two was chosen.
struct CodeCommandState {
  CheckTexts check;
  SearchTexts search;
  CLI::App* checkApp = nullptr;
};

int runChosen(const CodeCommandState& state, CommandStreams& streams) {
  std::string error;
  if (state.checkApp->parsed()) {
    CodeCheckSettings settings;
    settings.file = state.check.file;
    settings.directory = state.check.directory;
    settings.json = state.check.json;
    if (state.check.length) {
      std::int64_t length = 0;
      if (!takeCount("--length", *state.check.length, 1, std::numeric_limits<std::int32_t>::max(),
                     length, error)) {
        streams.err << "vok-sim code check: " << error << '\n';
        return kExitBadArguments;
      }
      settings.length = length;
    }
    return runCodeCheck(settings, streams);
  }
  const std::optional<CodeSearchSettings> settings = convertSearch(state.search, error);
  if (!settings) {
    streams.err << "vok-sim code search: " << error << '\n';
    return kExitBadArguments;
  }
  return runCodeSearch(*settings, streams);
}

void addCheck(CLI::App& code, CodeCommandState& state) {
  CheckTexts& texts = state.check;
  CLI::App& check = *code.add_subcommand(
      "check",
      "Votes, orthogonality and the majority-logic guarantee of a code (the built-in one when "
      "no file is found)");
  check.add_option("file", texts.file, "An encoder.vok file");
  check.add_option("--dir", texts.directory, "Folder holding encoder.vok (default: current)");
  check.add_option("--length", texts.length,
                   "Judge for branch length L (default: unbounded, i.e. any long branch)");
  check.add_flag("--json", texts.json, "One JSON object instead of the readable report");
  state.checkApp = &check;
}

void addSearch(CLI::App& code, CodeCommandState& state) {
  SearchTexts& texts = state.search;
  CLI::App& search = *code.add_subcommand(
      "search",
      "Construct a self-orthogonal code with the smallest largest delay found and write it as "
      "encoder.vok");
  search.add_option("--nk", texts.nk, "Information branches, 1..16")->required();
  search.add_option("--nr", texts.nr, "Check branches, 1..16")->required();
  search.add_option("--votes", texts.votes, "Votes on every information branch, 1..64")->required();
  search.add_option("--max-delay", texts.maxDelay, "Largest delay allowed, 0..100000")->required();
  search.add_option("--seed", texts.seed, "Seed of the search (default 1)");
  search.add_option("--seconds", texts.seconds, "Time to search (default 10)");
  search.add_option("--attempts", texts.attempts,
                    "Stop after this many attempts: the same code on any machine");
  search.add_flag("--random-delays", texts.randomDelays,
                  "Spread the delays at random over 0..D and keep the first code found, rather "
                  "than the smallest largest delay");
  search.add_option("--layout", texts.layout,
                    "Votes of each information branch in each check branch: rows split by /, "
                    "counts by , (default: spread evenly)");
  search.add_option("--out", texts.out, "The encoder.vok file to write")->required();
}

}  // namespace

void addCodeCommands(CommandRegistry& registry) {
  auto state = std::make_shared<CodeCommandState>();
  CLI::App& code = registry.add(
      "code", "Design codes: check self-orthogonality, search for self-orthogonal codes",
      [state](CommandStreams& streams) { return runChosen(*state, streams); });
  addCheck(code, *state);
  addSearch(code, *state);
  code.require_subcommand(1);
}

}  // namespace vok::sim
