// `vok-sim code check` and `code search` end to end: the JSON object, exit
// codes, which code is reported, and search results that check confirms.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "experiment/experiment.h"
#include "scratch_directory.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

using test::runSim;
using vok::test::readFile;
using vok::test::writeFile;

class CodeCommand : public vok::test::ScratchDirectoryTest {
 protected:
  CodeCommand() : ScratchDirectoryTest("vok_code_command_") {}
};

// nk = 1, nr = 2: delays 0 and 3 in both check branches (not orthogonal).
constexpr const char* kCollidingCode = "nk=1  nr=2\n  i=0  v=0 2 0 3\n  i=0  v=1 2 0 3\n";

TEST_F(CodeCommand, JsonOfTheBuiltInCodeHasTheKeysInOrder) {
  const auto r = runSim({"code", "check", "--dir", dir_.string(), "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind(R"({"nk":8,"nr":8,"rate":0.5,"maxDelay":994,"orthogonal":true,)"
                        R"("branches":[{"branch":0,"votes":16,"orthogonal":true,"collisions":[]},)",
                        0),
            0u)
      << r.out;
  const nlohmann::json report = nlohmann::json::parse(r.out);
  ASSERT_EQ(report["branches"].size(), 8u);
  for (const auto& branch : report["branches"]) EXPECT_EQ(branch["votes"], 16);
}

TEST_F(CodeCommand, CollisionsAreReportedWithExitZero) {
  writeFile(path("encoder.vok"), kCollidingCode);
  const auto json = runSim({"code", "check", path("encoder.vok"), "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json report = nlohmann::json::parse(json.out);
  EXPECT_FALSE(report["orthogonal"]);
  const auto& collision = report["branches"][0]["collisions"][0];
  EXPECT_EQ(collision["first"], (nlohmann::json{{"branch", 0}, {"delay", 0}}));
  EXPECT_EQ(collision["second"], (nlohmann::json{{"branch", 1}, {"delay", 0}}));
  EXPECT_EQ(collision["symbol"], (nlohmann::json{{"branch", 0}, {"offset", 3}}));
  const auto text = runSim({"code", "check", "--dir", dir_.string()});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_NE(text.out.find("checks (0, 0) and (1, 0) share symbol (0, +3)"), std::string::npos)
      << text.out;
}

TEST_F(CodeCommand, LengthJudgesModuloTheBranchLength) {
  writeFile(path("encoder.vok"), "nk=1  nr=1\n  i=0  v=0 3 0 1 3\n");
  const auto unbounded = runSim({"code", "check", path("encoder.vok"), "--json"});
  EXPECT_TRUE(nlohmann::json::parse(unbounded.out)["orthogonal"]);
  const auto short6 = runSim({"code", "check", path("encoder.vok"), "--json", "--length", "6"});
  EXPECT_FALSE(nlohmann::json::parse(short6.out)["orthogonal"]);
  EXPECT_EQ(runSim({"code", "check", "--length", "0"}).exitCode, 1);
  EXPECT_EQ(runSim({"code", "check", "--length", "x"}).exitCode, 1);
}

TEST_F(CodeCommand, UnreadableFileGivesTheProgramsMessageAndExitTwo) {
  writeFile(path("encoder.vok"), "nk=8  nr=8\n  i=0  v=0 2 0\n");
  const auto r = runSim({"code", "check", "--dir", dir_.string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string(kMessageCodecNotLoaded) + "\n");
}

TEST_F(CodeCommand, MissingFileReportsTheBuiltInCodeAndSaysSo) {
  const auto named = runSim({"code", "check", path("none.vok")});
  EXPECT_EQ(named.exitCode, 0);
  EXPECT_NE(named.err.find("none.vok cannot be read"), std::string::npos);
  EXPECT_NE(named.out.find("Code: built-in"), std::string::npos);
  EXPECT_NE(named.out.find("corrects any 8 wrong symbols"), std::string::npos);
  EXPECT_EQ(runSim({"code", "check", path("a"), "--dir", dir_.string()}).exitCode, 1);
}

TEST_F(CodeCommand, SearchWritesACodeThatCheckConfirms) {
  const auto r = runSim({"code", "search", "--nk", "4", "--nr", "4", "--votes", "6", "--max-delay",
                         "300", "--attempts", "30", "--out", path("found.vok")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto check = runSim({"code", "check", path("found.vok"), "--json"});
  ASSERT_EQ(check.exitCode, 0) << check.err;
  const nlohmann::json report = nlohmann::json::parse(check.out);
  EXPECT_TRUE(report["orthogonal"]);
  EXPECT_EQ(report["nk"], 4);
  EXPECT_LE(report["maxDelay"], 300);
  for (const auto& branch : report["branches"]) EXPECT_EQ(branch["votes"], 6);
  EXPECT_NE(r.out.find("largest delay " + report["maxDelay"].dump()), std::string::npos);

  // The same seed and attempts write the same file.
  ASSERT_EQ(runSim({"code", "search", "--nk", "4", "--nr", "4", "--votes", "6", "--max-delay",
                    "300", "--attempts", "30", "--out", path("again.vok")})
                .exitCode,
            0);
  EXPECT_EQ(readFile(path("again.vok")), readFile(path("found.vok")));
}

TEST_F(CodeCommand, SearchRefusesClearlyAndWritesNothing) {
  const auto impossible = runSim({"code", "search", "--nk", "1", "--nr", "1", "--votes", "5",
                                  "--max-delay", "9", "--out", path("x.vok")});
  EXPECT_EQ(impossible.exitCode, 3);
  EXPECT_NE(impossible.err.find("needs a largest delay of at least 10"), std::string::npos)
      << impossible.err;
  const auto none = runSim({"code", "search", "--nk", "1", "--nr", "1", "--votes", "5",
                            "--max-delay", "10", "--attempts", "50", "--out", path("x.vok")});
  EXPECT_EQ(none.exitCode, 3);
  EXPECT_NE(none.err.find("allow a larger --max-delay"), std::string::npos) << none.err;
  EXPECT_FALSE(std::filesystem::exists(path("x.vok")));

  const auto badLayout = runSim({"code", "search", "--nk", "2", "--nr", "2", "--votes", "3",
                                 "--max-delay", "50", "--layout", "1,2/3", "--out", path("z.vok")});
  EXPECT_EQ(badLayout.exitCode, 1);
  EXPECT_NE(badLayout.err.find("--layout"), std::string::npos);

  const auto unwritable = runSim({"code", "search", "--nk", "1", "--nr", "1", "--votes", "2",
                                  "--max-delay", "9", "--out", dir_.string()});
  EXPECT_EQ(unwritable.exitCode, 1);
  const auto badSeconds = runSim({"code", "search", "--nk", "1", "--nr", "1", "--votes", "2",
                                  "--max-delay", "9", "--seconds", "0", "--out", path("y.vok")});
  EXPECT_EQ(badSeconds.exitCode, 1);
  EXPECT_NE(badSeconds.err.find("--seconds"), std::string::npos);
}

TEST_F(CodeCommand, EachSubcommandHasHelp) {
  for (const char* sub : {"check", "search"}) {
    const auto r = runSim({"code", sub, "--help"});
    EXPECT_EQ(r.exitCode, 0) << sub;
    EXPECT_NE(r.out.find("code " + std::string(sub)), std::string::npos) << r.out;
  }
  EXPECT_EQ(runSim({"code"}).exitCode, 1);
}

}  // namespace
}  // namespace vok::sim
