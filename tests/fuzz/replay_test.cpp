// Replays the fuzzing seed corpus and every input a fuzzer once failed on
// through the same checks, so a regression shows in the ordinary suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "fuzz_import_checks.h"

namespace vok::fuzz {
namespace {

namespace fs = std::filesystem;

// Every file under corpus/<target>/ and regressions/<target>/, in name order.
std::vector<fs::path> inputsOf(const std::string& target) {
  std::vector<fs::path> files;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path dir = fs::path(VOK_FUZZ_DIR) / kind / target;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void replay(const std::string& target, void (*check)(Input), std::size_t atLeast) {
  const std::vector<fs::path> files = inputsOf(target);
  EXPECT_GE(files.size(), atLeast) << "corpus of " << target << " is missing";
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    check(bytes);  // aborts on a broken invariant; sanitizers catch the rest
  }
}

TEST(FuzzReplay, PictureInputsKeepTheLoaderInvariants) { replay("fuzz_picture", checkPicture, 5); }

TEST(FuzzReplay, PictureFilesOfAnyFormatKeepTheInvariantsThroughQt) {
  // The BMP corpus reaches the loader through the same door as the others.
  replay("fuzz_picture", checkPictureImport, 5);
  replay("fuzz_picture_import", checkPictureImport, 5);
}
TEST(FuzzReplay, CodeDescriptionInputsKeepCodewordsStable) {
  replay("fuzz_code_description", checkCodeDescription, 3);
}
TEST(FuzzReplay, ScheduleInputsKeepCodewordsStable) { replay("fuzz_schedule", checkSchedule, 3); }
TEST(FuzzReplay, SettingsTextsParseAndFormatLikeTheCLibrary) {
  replay("fuzz_settings_text", checkSettingsText, 5);
}
TEST(FuzzReplay, ExperimentInputsKeepCountersTrue) {
  replay("fuzz_experiment", checkExperiment, 3);
}

}  // namespace
}  // namespace vok::fuzz
