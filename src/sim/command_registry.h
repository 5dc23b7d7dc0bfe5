// The subcommands of vok-sim. Each subcommand module adds itself to a
// CommandRegistry with its own options and the action that carries it out;
// main parses the command line once and runs the chosen action.
#ifndef VOK_SIM_COMMAND_REGISTRY_H_
#define VOK_SIM_COMMAND_REGISTRY_H_

#include <CLI/CLI.hpp>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace vok::sim {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadArguments = 1;
inline constexpr int kExitInitFailure = 2;

// Where a subcommand writes its results (out) and its diagnostics (err).
struct CommandStreams {
  std::ostream& out;
  std::ostream& err;
};

// Carries out a subcommand after the whole command line has parsed; returns
// the process exit code.
using CommandAction = std::function<int(CommandStreams& streams)>;

class CommandRegistry {
 public:
  explicit CommandRegistry(CLI::App& app) : app_(app) {}

  // Adds the subcommand `name`; the caller adds its options to the returned
  // app. `action` runs when this subcommand was chosen.
  CLI::App& add(const std::string& name, const std::string& description, CommandAction action);

  // The action of the subcommand chosen by the parsed command line, or null
  // when none was chosen.
  const CommandAction* chosen() const;

 private:
  struct Entry {
    CLI::App* app;
    CommandAction action;
  };
  CLI::App& app_;
  std::vector<Entry> entries_;
};

}  // namespace vok::sim

#endif  // VOK_SIM_COMMAND_REGISTRY_H_
