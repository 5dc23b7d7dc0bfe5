#include "sim/sweep_source.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "codec/codec.h"
#include "experiment/experiment.h"
#include "sim/picture_reading.h"
#include "sim/run_command.h"
#include "sim/sweep_options.h"
#include "sim/sweep_seeding.h"

namespace vok::sim {

SourceOrFailure makeSource(const SweepSettings& settings) {
  SourceOrFailure result;
  const std::filesystem::path directory(settings.directory.value_or("."));
  std::vector<std::int32_t> information;
  if (settings.randomSymbols) {
    result.kind = "random";
    information = randomInformation(settings.seed, *settings.randomSymbols);
  } else {
    result.kind = "picture";
    LoadedPicture loaded;
    const PictureOutcome read =
        settings.picture
            ? readPictureFile(*settings.picture, settings.pane, loaded)
            : outcomeOf(loadPicture((directory / "pic.bmp").string(), settings.pane, loaded),
                        "pic.bmp");
    if (read.status != InitStatus::Ok) {
      result.failure = read.message;
      return result;
    }
    information.assign(loaded.sourceImage.begin(), loaded.sourceImage.begin() + loaded.symbolCount);
  }
  const auto n = static_cast<std::int32_t>(information.size());
  std::unique_ptr<SweepSource> source;
  if (settings.randomSymbols && !settings.directory) {
    source = std::make_unique<SweepSource>(CodeDescription::builtIn(), DecoderSchedule::builtIn(),
                                           std::move(information));
  } else {
    const Codec codec((directory / "encoder.vok").string(), (directory / "decoder.vok").string(),
                      n);
    if (codec.loaded()) {
      source =
          std::make_unique<SweepSource>(codec.code(), codec.schedule(), std::move(information));
    }
  }
  if (!source || !source->valid()) {
    result.failure = initFailureMessage(InitStatus::CodecNotLoaded);
    return result;
  }
  result.source = std::move(source);
  return result;
}

}  // namespace vok::sim
