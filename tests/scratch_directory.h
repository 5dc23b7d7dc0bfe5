// A fresh folder per test case for tests that write files, and whole-file
// helpers to read and write what they hold.
#ifndef VOK_TESTS_SCRATCH_DIRECTORY_H_
#define VOK_TESTS_SCRATCH_DIRECTORY_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace vok::test {

// The file's bytes ("" when it cannot be read).
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Each case gets an empty folder named after `prefix` and the case, removed
// again when the case ends.
class ScratchDirectoryTest : public ::testing::Test {
 protected:
  explicit ScratchDirectoryTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (prefix_ + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
};

}  // namespace vok::test

#endif  // VOK_TESTS_SCRATCH_DIRECTORY_H_
