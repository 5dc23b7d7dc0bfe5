// One run of the demonstration: initialise, then experiments of transmit,
// iterations and repeat, then shut down.

#include "experiment/experiment.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

namespace vok {
namespace {

constexpr AvailableActions kOnlyExit{};
constexpr AvailableActions kNothing{false, false, false, false, false, false};

std::string fileIn(const std::string& directory, const char* name) {
  return (std::filesystem::path(directory) / name).string();
}

}  // namespace

Experiment::Experiment(ExperimentObserver& observer, std::string directory, Sleeper sleeper)
    : observer_(observer), directory_(std::move(directory)), sleeper_(std::move(sleeper)) {
  if (!sleeper_) {
    sleeper_ = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  }
}

Experiment::~Experiment() = default;

std::string fileMissingMessage(std::string_view name) {
  return "Файл " + std::string(name) + " не найден";
}

std::string pictureUnsupportedMessage(std::string_view name) {
  return "Размер или формат рисунка " + std::string(name) + " не поддерживается";
}

std::string pictureUnreadableMessage(std::string_view name) {
  return "Не удалось прочитать рисунок " + std::string(name) +
         ": формат не распознан или файл повреждён";
}

std::string initFailureMessage(InitStatus status, std::string_view name) {
  switch (status) {
    case InitStatus::Ok:
      break;
    case InitStatus::FileMissing:
      return fileMissingMessage(name);
    case InitStatus::Not24Bit:
      return kMessageNot24Bit;
    case InitStatus::PictureUnsupported:
      return pictureUnsupportedMessage(name);
    case InitStatus::CodecNotLoaded:
      return kMessageCodecNotLoaded;
    case InitStatus::PictureUnreadable:
      return pictureUnreadableMessage(name);
  }
  return {};
}

PictureOutcome outcomeOf(PictureLoadStatus status, std::string_view name) {
  InitStatus init = InitStatus::Ok;
  switch (status) {
    case PictureLoadStatus::Loaded:
      return {};
    case PictureLoadStatus::FileMissing:
      init = InitStatus::FileMissing;
      break;
    case PictureLoadStatus::Not24Bit:
      init = InitStatus::Not24Bit;
      break;
    case PictureLoadStatus::Unsupported:
      init = InitStatus::PictureUnsupported;
      break;
  }
  return {init, initFailureMessage(init, name)};
}

PictureReader bmpFileReader(std::string path, std::string name) {
  return [path = std::move(path), name = std::move(name)](std::optional<PaneSize> pane,
                                                          LoadedPicture& out) {
    return outcomeOf(loadPicture(path, pane, out), name);
  };
}

InitStatus Experiment::initialise(std::optional<PaneSize> sourcePane,
                                  std::optional<PaneSize> bigPane, float p0, std::int32_t seed) {
  if (running_ || shutDown_) return status_;
  status_ = InitStatus::Ok;
  pictureLoaded_ = false;
  p0_ = p0;
  seed_ = seed;

  if (!reader_) reader_ = bmpFileReader(fileIn(directory_, "pic.bmp"), "pic.bmp");
  const PictureOutcome read = reader_(sourcePane, picture_);
  if (read.status != InitStatus::Ok) return fail(read.status, read.message);
  pictureLoaded_ = true;

  fitPanes(sourcePane, bigPane);

  observer_.settingsInitialised(p0_, seed_);

  std::unique_ptr<Codec> codec = makeCodec(picture_.symbolCount);
  if (!codec) {
    return fail(InitStatus::CodecNotLoaded, initFailureMessage(InitStatus::CodecNotLoaded));
  }
  start(std::move(codec));
  return status_;
}

InitStatus Experiment::fail(InitStatus status, const std::string& message) {
  status_ = status;
  // A file that is missing, or code files that do not load, leave only exit
  // before the message is shown; a picture that was read but refused leaves
  // the buttons as they are until the message is closed.
  const bool beforeMessage =
      status == InitStatus::FileMissing || status == InitStatus::CodecNotLoaded;
  if (beforeMessage) setAvailable(kOnlyExit);
  observer_.failure(message);
  if (!beforeMessage) setAvailable(kOnlyExit);
  return status_;
}

InitStatus Experiment::openPicture(const PictureReader& reader, std::optional<PaneSize> sourcePane,
                                   std::optional<PaneSize> bigPane) {
  if (running_ || shutDown_) return status_;
  LoadedPicture picture;
  const PictureOutcome read = reader(sourcePane, picture);
  if (read.status != InitStatus::Ok) {
    observer_.failure(read.message);
    return read.status;
  }
  std::unique_ptr<Codec> codec = makeCodec(picture.symbolCount);
  if (!codec) {
    observer_.failure(initFailureMessage(InitStatus::CodecNotLoaded));
    return InitStatus::CodecNotLoaded;
  }
  status_ = InitStatus::Ok;
  picture_ = std::move(picture);
  pictureLoaded_ = true;
  channelErrors_ = decoderErrors_ = 0;
  fitPanes(sourcePane, bigPane);
  start(std::move(codec));
  observer_.settingsInitialised(p0_, seed_);
  observer_.cleared();
  observer_.pictureReplaced();
  observer_.redraw();
  return status_;
}

std::unique_ptr<Codec> Experiment::makeCodec(std::int32_t symbolCount) const {
  auto codec = std::make_unique<Codec>(fileIn(directory_, "encoder.vok"),
                                       fileIn(directory_, "decoder.vok"), symbolCount);
  if (!codec->loaded()) return nullptr;
  return codec;
}

void Experiment::fitPanes(std::optional<PaneSize> sourcePane, std::optional<PaneSize> bigPane) {
  const Picture& pic = picture_.picture;
  const PaneSize ownSize{pic.width, pic.height};
  const PaneSize small = sourcePane.value_or(ownSize);
  const PaneSize big = bigPane.value_or(small);
  smallPane_ = fitToPane(small.width, small.height, pic.width, pic.height);
  bigPane_ = fitToPane(big.width, big.height, pic.width, pic.height);
}

void Experiment::start(std::unique_ptr<Codec> codec) {
  codec_ = std::move(codec);
  codec_->setQ(kQ);
  codeRate_ = codec_->codeRate();
  itert_ = codec_->iterationCount();
  const int nkCount = codec_->nk();
  const int nrCount = codec_->nr();
  length_ = codec_->branchLength();
  tailFill_ = static_cast<std::int32_t>(std::int64_t{nkCount} * length_ - picture_.symbolCount);

  channel_ = std::make_unique<QaryChannel>();
  channel_->setQ(kQ);
  channel_->setSeed(seed_);
  channel_->reseed();

  sent_.assign(nkCount, nrCount, length_);
  received_.assign(nkCount, nrCount, length_);
  decoded_.assign(nkCount, 0, length_);

  // Branch i, position x holds picture byte i * L + x: the branches stored
  // one after another are the picture itself, followed by the tail fill.
  std::copy_n(picture_.sourceImage.begin(), picture_.symbolCount, sent_.symbols.begin());

  encodeBlock(*codec_, sent_);

  k_ = 0;
  setAvailable({true, false, false, false, true, true});
  observer_.valuesChanged(ValueGroup::Code);
}

void Experiment::transmit() { submit({RequestKind::Transmit}); }
void Experiment::iterateOnce() { submit({RequestKind::Iterate}); }
void Experiment::decodeAll() { submit({RequestKind::DecodeAll}); }
void Experiment::repeat() { submit({RequestKind::Repeat}); }
void Experiment::applySettings(float p0, std::int32_t seed) {
  submit({RequestKind::Settings, p0, seed});
}
void Experiment::shutDown() { submit({RequestKind::ShutDown}); }

void Experiment::submit(const Request& request) {
  if (shutDown_) return;
  if (running_) {
    // Requested while the window breathes inside an action: run it once
    // that action has returned, so no action ever runs nested in another.
    pending_.push_back(request);
    return;
  }
  running_ = true;
  perform(request);
  while (!pending_.empty() && !shutDown_) {
    const Request next = pending_.front();
    pending_.pop_front();
    perform(next);
  }
  pending_.clear();
  running_ = false;
}

void Experiment::perform(const Request& request) {
  switch (request.kind) {
    case RequestKind::Transmit:
      if (available_.transmit) doTransmit();
      break;
    case RequestKind::Iterate:
      if (available_.iterate) doIterateOnce();
      break;
    case RequestKind::DecodeAll:
      if (available_.decodeAll) doDecodeAll();
      break;
    case RequestKind::Repeat:
      if (available_.repeat) doRepeat();
      break;
    case RequestKind::Settings:
      if (available_.settings) doApplySettings(request.p0, request.seed);
      break;
    case RequestKind::ShutDown:
      doShutDown();
      break;
  }
}

void Experiment::doTransmit() {
  transmitBlock(*channel_, p0_, sent_, received_, *codec_);
  assemble(received_.symbols, picture_.channelImage);
  std::copy_n(picture_.channelImage.begin(), picture_.symbolCount, picture_.decodedImage.begin());
  channelErrors_ = countErrors(picture_.channelImage);
  observer_.valuesChanged(ValueGroup::Channel);
  k_ = 0;
  AvailableActions next = available_;
  next.transmit = false;
  next.iterate = next.decodeAll = next.repeat = true;
  setAvailable(next);
  observer_.redraw();
}

void Experiment::runIteration(int k) {
  decoderErrors_ = 0;
  codec_->iterate(k);
  codec_->copyDecisions(decoded_.info.data());
  assemble(decoded_.symbols, picture_.decodedImage);
  observer_.redraw();
  observer_.iterationShown(k);
  decoderErrors_ = countErrors(picture_.decodedImage);
  observer_.valuesChanged(ValueGroup::Decoder);
  observer_.breathe();
}

void Experiment::doIterateOnce() {
  if (k_ >= itert_) return;
  runIteration(k_);
  ++k_;
  if (k_ >= itert_) {
    AvailableActions next = available_;
    next.transmit = next.iterate = next.decodeAll = false;
    next.repeat = true;
    setAvailable(next);
  }
}

void Experiment::doDecodeAll() {
  setAvailable(kNothing);
  decodingAll_ = true;
  stopRequested_ = false;
  // The test uses the decoder errors of the previous iteration; the first
  // iteration always runs, whatever an earlier experiment left behind. A
  // stop can only be asked for while an iteration breathes.
  decodeToEnd(
      k_, itert_,
      [this](int k) {
        runIteration(k);
        // A stop asked for while the iteration breathed skips the pause too.
        if (!stopRequested_ && pause_ > 0) sleeper_(pause_);
      },
      [this] { return !stopRequested_ && decoderErrors_ != 0; });
  decodingAll_ = false;
  if (stopRequested_) {
    // As after k_ single iterations: iterate and decode all stay on until
    // the schedule is used up, whatever the errors left.
    stopRequested_ = false;
    const bool more = k_ < itert_;
    setAvailable({false, more, more, true, true, true});
  } else {
    setAvailable({false, false, false, true, true, true});
  }
}

void Experiment::stopDecoding() {
  if (decodingAll_) stopRequested_ = true;
}

void Experiment::doRepeat() {
  std::fill(picture_.decodedImage.begin(), picture_.decodedImage.end(), 0xFF);
  std::fill(picture_.channelImage.begin(), picture_.channelImage.end(), 0xFF);
  observer_.redraw();
  k_ = 0;
  observer_.cleared();
  AvailableActions next = available_;
  next.transmit = true;
  next.iterate = next.decodeAll = next.repeat = false;
  setAvailable(next);
}

void Experiment::doApplySettings(float p0, std::int32_t seed) {
  p0_ = p0;
  seed_ = seed;
  channel_->setSeed(seed);
  channel_->reseed();
}

void Experiment::doShutDown() {
  shutDown_ = true;
  pending_.clear();
  channel_.reset();
  codec_.reset();
  for (auto* block : {&sent_, &received_, &decoded_}) block->release();
  picture_ = LoadedPicture{};
  pictureLoaded_ = false;
  available_ = kNothing;
}

void Experiment::setAvailable(const AvailableActions& actions) {
  available_ = actions;
  observer_.availabilityChanged();
}

void Experiment::assemble(const std::vector<std::uint8_t>& branches,
                          std::vector<std::uint8_t>& image) const {
  // Image byte i * L + x comes from branch i, position x: with the branches
  // stored one after another that is simply the same index.
  std::copy_n(branches.begin(), picture_.symbolCount, image.begin());
}

std::int64_t Experiment::countErrors(const std::vector<std::uint8_t>& image) const {
  std::int64_t errors = 0;
  const std::uint8_t* source = picture_.sourceImage.data();
  const std::uint8_t* other = image.data();
  for (std::int32_t i = 0; i < picture_.symbolCount; ++i) errors += source[i] != other[i];
  return errors;
}

void Experiment::rebuildCorrectionMap() {
  if (!pictureLoaded_) return;
  buildCorrectionMap(picture_.sourceImage.data(), picture_.channelImage.data(),
                     picture_.decodedImage.data(), picture_.picture.width, picture_.picture.height,
                     picture_.correctionMap.data());
}

int Experiment::nk() const { return codec_ ? codec_->nk() : 0; }
int Experiment::nr() const { return codec_ ? codec_->nr() : 0; }

std::int64_t Experiment::shownSize() const { return std::int64_t{nk()} * length_; }

double Experiment::channelErrorRate() const {
  return picture_.symbolCount > 0
             ? static_cast<double>(channelErrors_) / static_cast<double>(picture_.symbolCount)
             : 0.0;
}

double Experiment::decoderErrorRate() const {
  return picture_.symbolCount > 0
             ? static_cast<double>(decoderErrors_) / static_cast<double>(picture_.symbolCount)
             : 0.0;
}

}  // namespace vok
