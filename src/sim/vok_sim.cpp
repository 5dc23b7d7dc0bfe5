// Command-line front of vok-sim: builds the parser from the registered
// subcommands and turns parse failures into a one-line error.
#include "sim/vok_sim.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string>

#include "sim/code_command.h"
#include "sim/command_registry.h"
#include "sim/plot_command.h"
#include "sim/run_command.h"
#include "sim/sweep_command.h"
#include "sim/threshold_command.h"
#include "sim/tune_command.h"

namespace vok::sim {

namespace {

// Every subcommand of vok-sim registers itself here.
void addAllCommands(CommandRegistry& registry) {
  addRunCommand(registry);
  addSweepCommands(registry);
  addCodeCommands(registry);
  addThresholdCommand(registry);
  addTuneCommand(registry);
  addPlotCommand(registry);
}

}  // namespace

int runVokSim(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Headless runs of the non-binary threshold decoding experiment", "vok-sim"};
  app.require_subcommand(1);
  CommandRegistry registry(app);
  addAllCommands(registry);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    std::string message = e.what();
    std::replace(message.begin(), message.end(), '\n', ' ');
    err << "vok-sim: " << message << " (see vok-sim --help)\n";
    return kExitBadArguments;
  }

  const CommandAction* action = registry.chosen();
  if (action == nullptr) {  // require_subcommand makes this unreachable
    err << "vok-sim: no subcommand given (see vok-sim --help)\n";
    return kExitBadArguments;
  }
  CommandStreams streams{out, err};
  return (*action)(streams);
}

}  // namespace vok::sim
