// What the `Experiment` tells the window. The window implements this
// interface; the `Experiment` knows nothing else about it.
#ifndef VOK_EXPERIMENT_EXPERIMENT_OBSERVER_H_
#define VOK_EXPERIMENT_EXPERIMENT_OBSERVER_H_

#include <cstdint>
#include <string>

namespace vok {

// Which values of the `Experiment` a valuesChanged() refers to.
enum class ValueGroup {
  Code,     // shown size, code rate, itert (after initialise)
  Channel,  // channel errors and rate (after transmit)
  Decoder,  // decoder errors and rate (after each iteration)
};

class ExperimentObserver {
 public:
  virtual ~ExperimentObserver() = default;

  // Draw all visible panes now (the correction map is rebuilt first).
  virtual void redraw() = 0;
  // Iteration k has run: the decoded pane shows the picture after
  // iteration k + 1 (counting from 1).
  virtual void iterationShown(int k) = 0;
  // Values of `group` changed; refresh the fields that show them.
  virtual void valuesChanged(ValueGroup group) = 0;
  // The experiment was repeated: restore the decoded pane's title and empty
  // the channel and decoder fields.
  virtual void cleared() = 0;
  // Handle every event already waiting, then return. Requests made from
  // inside this call are deferred until the running action returns.
  virtual void breathe() = 0;
  // Show `text` (UTF-8) as an error message.
  virtual void failure(const std::string& text) = 0;
  // The set of available actions changed.
  virtual void availabilityChanged() = 0;
  // The channel parameters in force at initialise, for the settings dialog.
  virtual void settingsInitialised(float p0, std::int32_t seed) = 0;
  // A new picture replaced the old one (openPicture): its size may differ,
  // so clear whatever the panes still show of the old one.
  virtual void pictureReplaced() {}
};

// Ignores everything: a base for the runs without a window (the simulator,
// tests), which override only what they record. The window itself derives
// from ExperimentObserver, so that it cannot leave a notification unhandled.
class NullExperimentObserver : public ExperimentObserver {
 public:
  void redraw() override {}
  void iterationShown(int /*k*/) override {}
  void valuesChanged(ValueGroup /*group*/) override {}
  void cleared() override {}
  void breathe() override {}
  void failure(const std::string& /*text*/) override {}
  void availabilityChanged() override {}
  void settingsInitialised(float /*p0*/, std::int32_t /*seed*/) override {}
};

}  // namespace vok

#endif  // VOK_EXPERIMENT_EXPERIMENT_OBSERVER_H_
