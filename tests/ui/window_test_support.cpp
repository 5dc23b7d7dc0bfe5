// Implementation of the window-test helpers.
#include "window_test_support.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <random>

#include "picture/bmp_writer.h"

// The leak checker of the sanitizer builds reads this: fontconfig keeps a
// cache for the life of the process, allocated when Qt first loads fonts.
// The name is the sanitizer runtime's, reserved as it is.
// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace vok::test {

void ensureApplication() {
  if (QApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "vok_ui_test";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives until the process ends
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device device;
  path_ = std::filesystem::temp_directory_path() /
          ("vok_ui_test_" + std::to_string(device()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void TempDir::writeText(const std::string& name, const std::string& text) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out << text;
}

std::vector<std::uint8_t> samplePixels(int width, int height) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 37 + y * 11);
      p[1] = static_cast<std::uint8_t>(x * 5 + y * 29 + 64);
      p[2] = static_cast<std::uint8_t>((x ^ y) * 13 + 128);
    }
  }
  return pixels;
}

void writeSamplePicture(const TempDir& dir, int width, int height) {
  const auto pixels = samplePixels(width, height);
  dir.write("pic.bmp", encodeBmp(pixels.data(), width, height));
}

void writeEightBitPicture(const TempDir& dir) {
  // 4 x 4 pixels of 8 bits with a 256-entry palette.
  const std::uint32_t pixelOffset = 14 + 40 + 256 * 4;
  const std::uint32_t fileSize = pixelOffset + 16;
  std::vector<std::uint8_t> bytes;
  auto put16 = [&](std::uint32_t v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  bytes.push_back('B');
  bytes.push_back('M');
  put32(fileSize);
  put32(0);
  put32(pixelOffset);
  put32(40);  // information header
  put32(4);
  put32(4);
  put16(1);
  put16(8);  // bits per pixel
  put32(0);
  put32(16);
  put32(2835);
  put32(2835);
  put32(256);
  put32(0);
  for (int i = 0; i < 256; ++i) put32(static_cast<std::uint32_t>(i) * 0x010101u);
  for (int i = 0; i < 16; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 16));
  dir.write("pic.bmp", bytes);
}

class MessageBoxCloser::Impl : public QObject {
 public:
  explicit Impl(std::vector<SeenMessage>& seen) : seen_(seen) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
  }

 private:
  void poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    seen_.push_back({box->windowTitle(), box->text(), box->icon() == QMessageBox::Critical,
                     static_cast<int>(box->buttons().size())});
    box->done(QMessageBox::Ok);
  }

  std::vector<SeenMessage>& seen_;
  QTimer timer_;
};

MessageBoxCloser::MessageBoxCloser() : impl_(new Impl(seen_)) {}

MessageBoxCloser::~MessageBoxCloser() { delete impl_; }

int withModals(const std::function<void()>& trigger, std::vector<ModalStep> steps, int timeoutMs) {
  std::size_t next = 0;
  int waited = 0;
  QPointer<QWidget> lastActedOn;
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (next >= steps.size()) {
      timer.stop();
      return;
    }
    waited += 1;
    QWidget* modal = QApplication::activePopupWidget();
    if (modal == nullptr) modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible() && modal != lastActedOn &&
        steps[next].accept(modal)) {
      waited = 0;
      lastActedOn = modal;
      steps[next++].act(modal);
    } else if (waited > timeoutMs) {
      waited = 0;
      if (modal != nullptr) modal->close();
    }
  });
  timer.start();
  trigger();
  timer.stop();
  return static_cast<int>(next);
}

std::unique_ptr<MainDialog> showMainDialog(const std::string& dir, Experiment::Sleeper sleeper) {
  auto d = std::make_unique<MainDialog>(dir, std::move(sleeper));
  d->show();
  d->activateWindow();
  return d;
}

}  // namespace vok::test
