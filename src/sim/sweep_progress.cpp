// Refreshing the sweep's progress line from a helper thread.
#include "sim/sweep_progress.h"

#include <cmath>

#include "common/number_text.h"
#include "sim/sweep_csv.h"

namespace vok::sim {

std::string progressText(const SweepPosition& position, std::int64_t blocks,
                         std::int64_t decoderErrors, std::int64_t symbols, double elapsedSeconds) {
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on long
  // chains of + that start with a literal.
  std::string text = "[";
  text += std::to_string(position.point + 1);
  text += '/';
  text += std::to_string(position.points);
  text += "] P0=";
  text += p0Text(position.p0);
  text += "  blocks ";
  text += std::to_string(blocks);
  text += '/';
  text += std::to_string(position.blocksPerPoint);
  text += "  decoder errors ";
  text += std::to_string(decoderErrors);
  if (symbols > 0) {
    text += " (SER " +
            formatExponent(static_cast<double>(decoderErrors) / static_cast<double>(symbols)) + ")";
  }
  const std::int64_t done = position.blocksBefore + blocks;
  if (done > 0 && elapsedSeconds > 0) {
    const std::int64_t left =
        (position.blocksPerPoint - blocks) +
        position.blocksPerPoint * static_cast<std::int64_t>(position.points - position.point - 1);
    const auto seconds = static_cast<std::int64_t>(std::llround(
        elapsedSeconds / static_cast<double>(done) * static_cast<double>(left > 0 ? left : 0)));
    const std::int64_t minutes = seconds / 60;
    const std::int64_t rest = seconds % 60;
    text +=
        "  ETA " + std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
  }
  return text;
}

void ProgressLine::start(const SweepPosition& position, const PointProgress& progress) {
  if (!enabled_) return;
  stop();
  position_ = position;
  progress_ = &progress;
  stopping_ = false;
  thread_ = std::thread([this] { loop(); });
}

void ProgressLine::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  out_ << "\r\x1b[K" << std::flush;
}

void ProgressLine::loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - position_.start).count();
    out_ << '\r'
         << progressText(position_, progress_->blocks.load(), progress_->decoderErrors.load(),
                         progress_->symbols.load(), elapsed)
         << "\x1b[K" << std::flush;
    wake_.wait_for(lock, std::chrono::milliseconds(250), [this] { return stopping_; });
  }
}

}  // namespace vok::sim
