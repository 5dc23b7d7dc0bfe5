// Runs vok-sim in process, as the tests of its commands do.
#ifndef VOK_TESTS_SIM_SIM_TEST_SUPPORT_H_
#define VOK_TESTS_SIM_SIM_TEST_SUPPORT_H_

#include <sstream>
#include <string>
#include <vector>

#include "sim/vok_sim.h"

namespace vok::sim::test {

struct SimResult {
  int exitCode;
  std::string out;
  std::string err;
};

// `vok-sim args...`, with what it writes to standard output and error.
inline SimResult runSim(std::vector<std::string> args) {
  args.insert(args.begin(), "vok-sim");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int code = runVokSim(static_cast<int>(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

}  // namespace vok::sim::test

#endif  // VOK_TESTS_SIM_SIM_TEST_SUPPORT_H_
