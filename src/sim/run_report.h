// The two forms of the `vok-sim run` report: JSON lines for scripts and a
// readable text for people. Both are fed the same summaries.
#ifndef VOK_SIM_RUN_REPORT_H_
#define VOK_SIM_RUN_REPORT_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vok::sim {

// What a successful initialisation produced.
struct InitSummary {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t symbolCount = 0;
  int nk = 0;
  int nr = 0;
  std::int32_t branchLength = 0;
  std::int32_t tailFill = 0;
  std::int64_t shownSize = 0;
  float codeRate = 0.0f;
  int itert = 0;
  std::uint32_t sourceCrc32 = 0;
  float p0 = 0.0f;
  std::int32_t seed = 0;
};

// One transmission and its decoding to the end.
struct TransmissionSummary {
  int index = 0;
  std::int64_t channelErrors = 0;
  double channelErrorRate = 0.0;
  std::vector<std::int64_t> decoderErrors;  // after each iteration run
  std::optional<double> decoderErrorRate;   // of the last iteration; absent when none ran
  std::uint32_t channelCrc32 = 0;
  std::uint32_t decodedCrc32 = 0;
};

class RunReport {
 public:
  virtual ~RunReport() = default;
  // `status` is the failure's name ("FileMissing", ...), `message` its
  // Russian text (UTF-8).
  virtual void initFailed(const std::string& status, const std::string& message) = 0;
  virtual void initialised(const InitSummary& summary) = 0;
  virtual void transmitted(const TransmissionSummary& summary) = 0;
};

// One JSON object per line, with exactly the keys scripts rely on.
std::unique_ptr<RunReport> makeJsonReport(std::ostream& out);
// Sizes, code rate, and per transmission a table of the iterations.
std::unique_ptr<RunReport> makeTextReport(std::ostream& out);

}  // namespace vok::sim

#endif  // VOK_SIM_RUN_REPORT_H_
