// Runs `vok-sim run --dir <case> <argv> --json` for every folder of
// tests/data/vectors and compares the exit code and the printed JSON objects,
// line by line, with the folder's expected.jsonl.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kVectorsDir = fs::path(VOK_TEST_DATA_DIR) / "vectors";

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `args` (args[0] is the program path) with stdout and stderr sent to
// temporary files, and waits for it.
ProcessResult runProcess(const std::vector<std::string>& args) {
  const fs::path tmp = fs::temp_directory_path();
  const std::string stem = "vok_sim_golden_" + std::to_string(getpid());
  const fs::path outPath = tmp / (stem + ".out");
  const fs::path errPath = tmp / (stem + ".err");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  ProcessResult result;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return result;
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return result;
}

std::vector<json> parseLines(const std::string& text) {
  std::vector<json> objects;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    objects.push_back(json::parse(line, nullptr, /*allow_exceptions=*/false));
  }
  return objects;
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kVectorsDir)) {
    if (entry.is_directory() && fs::exists(entry.path() / "case.json")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

class GoldenVector : public testing::TestWithParam<std::string> {};

TEST_P(GoldenVector, PrintsExactlyTheExpectedLines) {
  const fs::path dir = kVectorsDir / GetParam();
  const json testCase = json::parse(readFile(dir / "case.json"));

  std::vector<std::string> args = {VOK_SIM_PATH, "run", "--dir", dir.string()};
  for (const json& arg : testCase.at("argv")) args.push_back(arg.get<std::string>());
  args.push_back("--json");
  const ProcessResult run = runProcess(args);

  SCOPED_TRACE(testCase.value("description", ""));
  EXPECT_EQ(run.exitCode, testCase.at("expected_exit").get<int>()) << run.err;
  const std::vector<json> expected = parseLines(readFile(dir / "expected.jsonl"));
  const std::vector<json> actual = parseLines(run.out);
  ASSERT_EQ(actual.size(), expected.size()) << run.out;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1 << "\n  actual:   " << actual[i].dump()
                                      << "\n  expected: " << expected[i].dump();
  }
  // An initialisation failure also puts its message on stderr.
  if (expected.size() == 1 && expected[0].contains("message")) {
    EXPECT_NE(run.err.find(expected[0]["message"].get<std::string>()), std::string::npos)
        << run.err;
  }
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Vectors, GoldenVector, testing::ValuesIn(caseNames()), testName);

// vok-sim links no Qt: a picture of another format is decoded by the import
// module beside the program. Without the module only such a picture fails,
// with a message that names the module.
TEST(PictureModule, OnlyPicturesOfOtherFormatsNeedTheModule) {
  const std::string sample = VOK_SAMPLE_DATA_DIR;
  const std::string png =
      (fs::path(VOK_TEST_DATA_DIR).parent_path().parent_path() / "packaging/icons/vok-64.png")
          .string();
  const ProcessResult read =
      runProcess({VOK_SIM_PATH, "run", "--dir", sample, "--picture", png, "--json"});
  EXPECT_EQ(read.exitCode, 0) << read.err;
  EXPECT_NE(read.out.find(R"("status":"ok","width":64,"height":64)"), std::string::npos)
      << read.out;

  const fs::path alone = fs::temp_directory_path() / ("vok_sim_alone_" + std::to_string(getpid()));
  fs::create_directories(alone);
  const std::string program = (alone / "vok-sim").string();
  fs::copy_file(VOK_SIM_PATH, program);
  const ProcessResult refused =
      runProcess({program, "run", "--dir", sample, "--picture", png, "--json"});
  const ProcessResult bmp = runProcess({program, "run", "--dir", sample, "--json"});
  fs::remove_all(alone);
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_NE(refused.err.find("vok-picture-import.so"), std::string::npos) << refused.err;
  EXPECT_EQ(bmp.exitCode, 0) << bmp.err;
}

}  // namespace
