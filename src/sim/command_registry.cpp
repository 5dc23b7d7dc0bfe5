// Bookkeeping of the vok-sim subcommands.
#include "sim/command_registry.h"

#include <utility>

namespace vok::sim {

CLI::App& CommandRegistry::add(const std::string& name, const std::string& description,
                               CommandAction action) {
  CLI::App* sub = app_.add_subcommand(name, description);
  entries_.push_back(Entry{sub, std::move(action)});
  return *sub;
}

const CommandAction* CommandRegistry::chosen() const {
  for (const Entry& entry : entries_) {
    if (entry.app->parsed()) return &entry.action;
  }
  return nullptr;
}

}  // namespace vok::sim
