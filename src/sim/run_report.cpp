// JSON-lines and text forms of the `vok-sim run` report.
#include "sim/run_report.h"

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "common/checksum.h"
#include "common/number_text.h"

namespace vok::sim {

namespace {

using Json = nlohmann::ordered_json;

// Writes `object` as one line and flushes, so that a long run streams.
void writeLine(std::ostream& out, const Json& object) {
  out << object.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
  out.flush();
}

class JsonReport final : public RunReport {
 public:
  explicit JsonReport(std::ostream& out) : out_(out) {}

  void initFailed(const std::string& status, const std::string& message) override {
    Json line;
    line["event"] = "init";
    line["status"] = status;
    line["message"] = message;
    writeLine(out_, line);
  }

  void initialised(const InitSummary& s) override {
    Json line;
    line["event"] = "init";
    line["status"] = "ok";
    line["width"] = s.width;
    line["height"] = s.height;
    line["symbolCount"] = s.symbolCount;
    line["nk"] = s.nk;
    line["nr"] = s.nr;
    line["branchLength"] = s.branchLength;
    line["tailFill"] = s.tailFill;
    line["shownSize"] = s.shownSize;
    line["codeRate"] = static_cast<double>(s.codeRate);
    line["itert"] = s.itert;
    line["sourceCrc32"] = crc32Text(s.sourceCrc32);
    writeLine(out_, line);
  }

  void transmitted(const TransmissionSummary& s) override {
    Json line;
    line["event"] = "transmission";
    line["index"] = s.index;
    line["channelErrors"] = s.channelErrors;
    line["channelErrorRate"] = formatRate(s.channelErrorRate);
    line["decoderErrors"] = s.decoderErrors;
    line["iterationsRun"] = s.decoderErrors.size();
    if (s.decoderErrorRate) {
      line["decoderErrorRate"] = formatRate(*s.decoderErrorRate);
    } else {
      line["decoderErrorRate"] = nullptr;
    }
    line["channelCrc32"] = crc32Text(s.channelCrc32);
    line["decodedCrc32"] = crc32Text(s.decodedCrc32);
    writeLine(out_, line);
  }

 private:
  std::ostream& out_;
};

class TextReport final : public RunReport {
 public:
  explicit TextReport(std::ostream& out) : out_(out) {}

  // The message itself goes to stderr; the report names the failure only.
  void initFailed(const std::string& status, const std::string&) override {
    out_ << fmt::format("Initialisation failed: {}\n", status);
  }

  void initialised(const InitSummary& s) override {
    out_ << fmt::format("Picture      {} x {} pixels, {} symbols (CRC-32 {})\n", s.width, s.height,
                        s.symbolCount, crc32Text(s.sourceCrc32));
    out_ << fmt::format("Code         nk = {}, nr = {}, code rate {:.2f}, {} iterations\n", s.nk,
                        s.nr, static_cast<double>(s.codeRate), s.itert);
    out_ << fmt::format("Branches     length {}, tail fill {}, shown size {}\n", s.branchLength,
                        s.tailFill, s.shownSize);
    out_ << fmt::format("Channel      P0 = {}, seed {}\n", formatRate(s.p0), s.seed);
    out_.flush();
    symbolCount_ = s.symbolCount;
  }

  void transmitted(const TransmissionSummary& s) override {
    out_ << fmt::format("\nTransmission {}: {} channel errors (rate {})\n", s.index + 1,
                        s.channelErrors, formatRate(s.channelErrorRate));
    if (s.decoderErrors.empty()) {
      out_ << "  no decoding iteration ran\n";
    } else {
      out_ << "  iteration  errors  rate\n";
      for (std::size_t k = 0; k < s.decoderErrors.size(); ++k) {
        const std::int64_t errors = s.decoderErrors[k];
        const double rate = static_cast<double>(errors) / static_cast<double>(symbolCount_);
        out_ << fmt::format("  {:>9}  {:>6}  {}\n", k + 1, errors, formatRate(rate));
      }
      out_ << fmt::format("  {} after {} iterations\n",
                          s.decoderErrors.back() == 0 ? "decoded without errors" : "errors remain",
                          s.decoderErrors.size());
    }
    out_.flush();
  }

 private:
  std::ostream& out_;
  std::int32_t symbolCount_ = 1;
};

}  // namespace

std::unique_ptr<RunReport> makeJsonReport(std::ostream& out) {
  return std::make_unique<JsonReport>(out);
}

std::unique_ptr<RunReport> makeTextReport(std::ostream& out) {
  return std::make_unique<TextReport>(out);
}

}  // namespace vok::sim
