// Helpers shared by the window tests: the application object on the
// offscreen platform, sample directories, and driving modal dialogs and
// message boxes from inside their own event loops.
#ifndef VOK_TESTS_UI_WINDOW_TEST_SUPPORT_H_
#define VOK_TESTS_UI_WINDOW_TEST_SUPPORT_H_

#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "experiment/experiment.h"
#include "ui/main_dialog.h"

namespace vok::test {

// Creates the QApplication on the offscreen platform once.
void ensureApplication();

// A fresh empty directory, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // Writes `bytes` (or the text) to `name` in the directory.
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
  void writeText(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path path_;
};

// A width x height picture (packed B, G, R, bottom row first) with a
// varied pattern, and the same written as "pic.bmp" into `dir`.
std::vector<std::uint8_t> samplePixels(int width, int height);
void writeSamplePicture(const TempDir& dir, int width, int height);
// An 8-bit picture file, which the program refuses.
void writeEightBitPicture(const TempDir& dir);

// What a message box said before it was closed.
struct SeenMessage {
  QString caption;
  QString text;
  bool critical = false;
  int buttonCount = 0;
};

// While alive, closes every message box that becomes the active modal
// window and records it.
class MessageBoxCloser {
 public:
  MessageBoxCloser();
  ~MessageBoxCloser();
  MessageBoxCloser(const MessageBoxCloser&) = delete;
  MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
  const std::vector<SeenMessage>& seen() const { return seen_; }

 private:
  class Impl;
  Impl* impl_;
  std::vector<SeenMessage> seen_;
};

// One step of a script run against modal windows: when the active modal
// (or popup) window is one that `accept` approves, `act` is called on it
// from inside its own event loop.
struct ModalStep {
  std::function<bool(QWidget*)> accept;
  std::function<void(QWidget*)> act;
};

// Runs `trigger`, which opens modal windows, and plays `steps` in order
// against them. Returns how many steps ran; a step not reached within
// `timeoutMs` closes whatever modal window is open.
int withModals(const std::function<void()>& trigger, std::vector<ModalStep> steps,
               int timeoutMs = 5000);

// A step for a window of type T.
template <typename T>
ModalStep onModal(std::function<void(T*)> act) {
  return {[](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
          [act](QWidget* w) { act(qobject_cast<T*>(w)); }};
}

// The main window on the files in `dir`, shown and asked to become active;
// the caller waits for what its test needs (exposed or active).
std::unique_ptr<MainDialog> showMainDialog(
    const std::string& dir, Experiment::Sleeper sleeper = [](int) {});

}  // namespace vok::test

#endif  // VOK_TESTS_UI_WINDOW_TEST_SUPPORT_H_
