// Helpers shared by the codec tests: a block of branches owned by the test,
// and temporary code files.
#ifndef VOK_TESTS_CODEC_CODEC_TEST_UTIL_H_
#define VOK_TESTS_CODEC_CODEC_TEST_UTIL_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "codec/codec.h"

namespace vok::test {

// nk information and nr check branches of L symbols, with the pointer arrays
// the codec takes.
struct Block {
  Block(int nk, int nr, std::int32_t length)
      : info(nk, std::vector<std::int32_t>(length, 0)),
        check(nr, std::vector<std::int32_t>(length, 0)) {
    point();
  }
  explicit Block(const Codec& codec) : Block(codec.nk(), codec.nr(), codec.branchLength()) {}
  // A copy owns its symbols: its pointers address its own branches.
  Block(const Block& other) : info(other.info), check(other.check) { point(); }
  Block& operator=(const Block& other) {
    info = other.info;
    check = other.check;
    point();
    return *this;
  }

  void point() {
    infoPtrs.clear();
    checkPtrs.clear();
    for (auto& branch : info) infoPtrs.push_back(branch.data());
    for (auto& branch : check) checkPtrs.push_back(branch.data());
  }

  std::vector<std::vector<std::int32_t>> info;
  std::vector<std::vector<std::int32_t>> check;
  std::vector<std::int32_t*> infoPtrs;
  std::vector<std::int32_t*> checkPtrs;
};

// A directory of its own for one test, removed at the end.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("vok_codec_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes `content` byte for byte and returns the file's path.
  std::string write(const std::string& name, std::string_view content) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
  }
  // A path in the directory where no file exists.
  std::string missing(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A schedule of `itert` iterations, all with the same entries.
inline DecoderSchedule uniformSchedule(int itert, int w, int t, int p, int i) {
  DecoderSchedule s;
  s.itert = itert;
  s.w.assign(itert, w);
  s.t.assign(itert, t);
  s.c.assign(itert, 0);
  s.o.assign(itert, 0);
  s.p.assign(itert, p);
  s.i.assign(itert, i);
  return s;
}

}  // namespace vok::test

#endif  // VOK_TESTS_CODEC_CODEC_TEST_UTIL_H_
