// Command-line handling of `vok-sim run`: bad arguments are refused with one
// line and exit code 1 before anything runs; accepted texts convert exactly
// as the settings dialog converts them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "sim/command_registry.h"
#include "sim/run_command.h"
#include "sim/vok_sim.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

using test::runSim;
using test::SimResult;

// A directory without pic.bmp: a run that gets past the arguments fails
// initialisation with exit code 2, which tells it apart from exit code 1.
std::string emptyDir() {
  const auto dir = std::filesystem::temp_directory_path() / "vok_sim_empty_dir";
  std::filesystem::create_directories(dir);
  return dir.string();
}

void expectRefused(const std::vector<std::string>& args) {
  SCOPED_TRACE(testing::PrintToString(args));
  const SimResult result = runSim(args);
  EXPECT_EQ(result.exitCode, kExitBadArguments);
  EXPECT_EQ(result.out, "");
  ASSERT_FALSE(result.err.empty());
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "not one line: " << result.err;
}

TEST(RunArguments, NumberTextsTheDialogWouldIgnoreAreRefused) {
  for (const char* p0 : {"0,1", "abc", "0.1 ", "0x10", "1e", "--1", "inf", "nan"}) {
    expectRefused({"run", "--dir", emptyDir(), "--p0", p0});
  }
  for (const char* seed : {"12abc", "1 2", "7 ", "0x7b"}) {
    expectRefused({"run", "--dir", emptyDir(), "--seed", seed});
  }
}

TEST(RunArguments, MalformedPaneIsRefused) {
  for (const char* pane : {"200", "200x", "x150", "0x150", "200x0", "-200x150", "+200x150",
                           "200x150x3", "200 x150", "200X150", "3000000000x10", "1.5x2"}) {
    expectRefused({"run", "--dir", emptyDir(), "--pane", pane});
  }
}

TEST(RunArguments, NegativeOrFractionalTransmissionCountIsRefused) {
  for (const char* k : {"-1", "1.5", "two", "", "99999999999"}) {
    expectRefused({"run", "--dir", emptyDir(), "--transmissions", k});
  }
}

TEST(RunArguments, UnknownOptionsMissingValuesAndMissingSubcommandAreRefused) {
  expectRefused({});
  expectRefused({"walk"});
  expectRefused({"run", "--frobnicate"});
  expectRefused({"run", "--p0"});
  expectRefused({"run", "extra"});
  expectRefused({"run", "--dir", ""});
  expectRefused({"run", "--dir", emptyDir(), "--save-images", ""});
}

TEST(RunArguments, NegativeNumbersAreValuesNotOptions) {
  // Reaching initialisation (exit 2, picture missing) shows the values parsed.
  for (const char* seed : {"-5", "-1294967296", "-0.5"}) {
    SCOPED_TRACE(seed);
    const SimResult result = runSim({"run", "--dir", emptyDir(), "--seed", seed, "--p0", "-1e-3"});
    EXPECT_EQ(result.exitCode, kExitInitFailure) << result.err;
  }
}

TEST(RunArguments, InitialisationFailureGivesOneJsonLineAndTheMessageOnStderr) {
  const SimResult result = runSim({"run", "--dir", emptyDir(), "--json"});
  EXPECT_EQ(result.exitCode, kExitInitFailure);
  EXPECT_EQ(result.out,
            "{\"event\":\"init\",\"status\":\"FileMissing\",\"message\":\"Файл pic.bmp не "
            "найден\"}\n");
  EXPECT_EQ(result.err, "Файл pic.bmp не найден\n");

  const SimResult text = runSim({"run", "--dir", emptyDir()});
  EXPECT_EQ(text.exitCode, kExitInitFailure);
  EXPECT_EQ(text.err, "Файл pic.bmp не найден\n");
}

TEST(RunArguments, HelpListsTheRunOptionsAndSucceeds) {
  const SimResult result = runSim({"run", "--help"});
  EXPECT_EQ(result.exitCode, 0);
  for (const char* option :
       {"--dir", "--pane", "--p0", "--seed", "--transmissions", "--json", "--save-images"}) {
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
  }
}

TEST(RunOptionConversion, SeedAndP0ConvertAsTheSettingsDialogDoes) {
  RunOptionTexts texts;
  std::string error;
  struct SeedCase {
    const char* text;
    std::int32_t seed;
  };
  for (const SeedCase& c :
       {SeedCase{"3000000000", -1294967296}, SeedCase{"12.9", 12}, SeedCase{"-12.9", -12},
        SeedCase{"4294967419.7", 123}, SeedCase{"1e30", 0}}) {
    texts.seed = c.text;
    const auto settings = convertRunOptions(texts, error);
    ASSERT_TRUE(settings) << c.text << ": " << error;
    EXPECT_EQ(settings->seed, c.seed) << c.text;
  }
  texts = RunOptionTexts{};
  texts.p0 = "1e39";
  auto settings = convertRunOptions(texts, error);
  ASSERT_TRUE(settings);
  EXPECT_TRUE(std::isinf(settings->p0));
  texts.p0 = "0.1";
  settings = convertRunOptions(texts, error);
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->p0, 0.1f);
}

TEST(RunOptionConversion, DefaultsAreTheStartValuesAndNoReduction) {
  std::string error;
  const auto settings = convertRunOptions(RunOptionTexts{}, error);
  ASSERT_TRUE(settings) << error;
  EXPECT_EQ(settings->directory, ".");
  EXPECT_FALSE(settings->pane);
  EXPECT_EQ(settings->p0, 0.25f);
  EXPECT_EQ(settings->seed, 123);
  EXPECT_EQ(settings->transmissions, 1);
  EXPECT_FALSE(settings->json);
  EXPECT_FALSE(settings->imageDirectory);
}

TEST(RunOptionConversion, PaneAndTransmissionCountTakeTheirFullRange) {
  const auto pane = parsePaneText("2147483647x1");
  ASSERT_TRUE(pane);
  EXPECT_EQ(pane->width, 2147483647);
  EXPECT_EQ(pane->height, 1);
  EXPECT_EQ(parseTransmissionsText("0"), 0);
  EXPECT_EQ(parseTransmissionsText("2147483647"), 2147483647);
  EXPECT_FALSE(parseTransmissionsText("2147483648"));
}

}  // namespace
}  // namespace vok::sim
