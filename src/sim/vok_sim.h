// The vok-sim program as a function of its arguments and output streams, so
// that tests can drive it without starting a process.
#ifndef VOK_SIM_VOK_SIM_H_
#define VOK_SIM_VOK_SIM_H_

#include <ostream>

namespace vok::sim {

// Parses the command line (argv[0] is the program name), runs the chosen
// subcommand and returns the exit code: 0 on success, 1 for bad arguments
// (one line on `err`), or the subcommand's own failure code.
// REQUIRES: argc >= 1.
int runVokSim(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vok::sim

#endif  // VOK_SIM_VOK_SIM_H_
