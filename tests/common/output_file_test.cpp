// Whole-file writing: a regular file is replaced whole and keeps its mode,
// links and stray temporary names are never written through, and devices
// and pipes are written directly instead of being replaced by a file.
#include "common/output_file.h"
#include "scratch_directory.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace vok {
namespace {

namespace fs = std::filesystem;
using vok::test::readFile;

class OutputFile : public vok::test::ScratchDirectoryTest {
 protected:
  OutputFile() : ScratchDirectoryTest("vok_output_file_") {}
  // The entries of the folder, to see that nothing else was left behind.
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
};

TEST_F(OutputFile, ReplacesARegularFileWholeKeepingItsModeAndLeavesNoTemporary) {
  std::string error;
  const mode_t mask = ::umask(027);
  const bool written = writeWholeFile(path("a.csv"), "first version, longer\n", error);
  ::umask(mask);
  ASSERT_TRUE(written) << error;
  struct stat fresh {};
  ASSERT_EQ(::stat(path("a.csv").c_str(), &fresh), 0);
  EXPECT_EQ(fresh.st_mode & 07777, 0640u);  // as open() would have made it
  ASSERT_EQ(::chmod(path("a.csv").c_str(), 0604), 0);
  ASSERT_TRUE(writeWholeFile(path("a.csv"), "second\n", error)) << error;
  EXPECT_EQ(readFile(path("a.csv")), "second\n");
  struct stat st {};
  ASSERT_EQ(::stat(path("a.csv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);  // kept
  EXPECT_EQ(entries(), 1u);
}

TEST_F(OutputFile, NeverWritesThroughALinkNamedLikeATemporaryFile) {
  std::ofstream(path("file.txt")) << "keep";
  fs::create_symlink("file.txt", path("y.csv.tmp"));
  std::string error;
  ASSERT_TRUE(writeWholeFile(path("y.csv"), "result\n", error)) << error;
  EXPECT_EQ(readFile(path("file.txt")), "keep");
  EXPECT_TRUE(fs::is_symlink(path("y.csv.tmp")));
  EXPECT_EQ(readFile(path("y.csv")), "result\n");
  EXPECT_EQ(entries(), 3u);
}

// Two writers of one file (two sweeps given the same --csv) never share a
// temporary file: every write succeeds and the file is always one whole
// version.
TEST_F(OutputFile, TwoWritersOfOneFileEachWriteWholeVersions) {
  const std::string a(20000, 'a');
  const std::string b(30000, 'b');
  bool failedA = false;
  bool failedB = false;
  const auto writer = [&](const std::string& content, bool& failed) {
    for (int k = 0; k < 200; ++k) {
      std::string error;
      if (!writeWholeFile(path("shared.csv"), content, error)) failed = true;
    }
  };
  std::thread first(writer, std::cref(a), std::ref(failedA));
  std::thread second(writer, std::cref(b), std::ref(failedB));
  first.join();
  second.join();
  EXPECT_FALSE(failedA);
  EXPECT_FALSE(failedB);
  const std::string content = readFile(path("shared.csv"));
  EXPECT_TRUE(content == a || content == b);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(OutputFile, AnOutputThatIsALinkReplacesItsTargetAndKeepsTheLink) {
  std::ofstream(path("real.csv")) << "old";
  fs::create_symlink("real.csv", path("link.csv"));
  std::string error;
  ASSERT_TRUE(writeWholeFile(path("link.csv"), "new", error)) << error;
  EXPECT_TRUE(fs::is_symlink(path("link.csv")));
  EXPECT_EQ(readFile(path("real.csv")), "new");
  fs::create_symlink("missing.csv", path("dangling.csv"));
  EXPECT_FALSE(writeWholeFile(path("dangling.csv"), "x", error));
  EXPECT_FALSE(fs::exists(path("missing.csv")));
}

TEST_F(OutputFile, DirectoriesAndMissingFoldersAreRefusedWithTheReason) {
  std::string error;
  EXPECT_FALSE(writeWholeFile(dir_.string(), "x", error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
  EXPECT_FALSE(checkWritable(dir_.string(), error));
  EXPECT_FALSE(writeWholeFile(path("no/such.csv"), "x", error));
  EXPECT_NE(error.find("no/such.csv"), std::string::npos) << error;
  EXPECT_FALSE(checkWritable(path("no/such.csv"), error));
  EXPECT_TRUE(checkWritable(path("fresh.csv"), error)) << error;
  EXPECT_EQ(entries(), 0u);  // checking creates nothing
  EXPECT_FALSE(readWholeFile(dir_.string(), error).has_value());
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  EXPECT_FALSE(readWholeFile(path("none"), error).has_value());
}

TEST_F(OutputFile, APipeIsWrittenDirectlyAndStaysAPipe) {
  ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
  const int reader = ::open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string error;
  EXPECT_EQ(pathKind(path("pipe")), PathKind::kSpecial);
  EXPECT_TRUE(checkWritable(path("pipe"), error)) << error;
  ASSERT_TRUE(writeWholeFile(path("pipe"), "through the pipe", error)) << error;
  char buffer[64] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 16);
  EXPECT_EQ(std::string(buffer), "through the pipe");
  ::close(reader);
  EXPECT_EQ(pathKind(path("pipe")), PathKind::kSpecial);
  EXPECT_EQ(entries(), 1u);
}

TEST_F(OutputFile, DevicesAreWrittenDirectlyAndAFullOneIsAFailure) {
  if (::geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
  if (::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
      ::mknod(path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "mknod refused here: " << std::strerror(errno);
  }
  std::string error;
  EXPECT_TRUE(writeWholeFile(path("null"), "gone", error)) << error;
  EXPECT_FALSE(writeWholeFile(path("full"), "no room", error));
  EXPECT_NE(error.find("No space left"), std::string::npos) << error;
  EXPECT_EQ(pathKind(path("null")), PathKind::kSpecial);
  EXPECT_EQ(pathKind(path("full")), PathKind::kSpecial);
  EXPECT_EQ(entries(), 2u);
}

TEST_F(OutputFile, SameFileIsFoundThroughLinksDotsAndHardLinks) {
  std::ofstream(path("a")) << "a";
  std::ofstream(path("b")) << "b";
  fs::create_hard_link(path("a"), path("hard"));
  fs::create_symlink("a", path("soft"));
  EXPECT_TRUE(sameExistingFile(path("a"), (dir_ / "." / "a").string()));
  EXPECT_TRUE(sameExistingFile(path("a"), path("hard")));
  EXPECT_TRUE(sameExistingFile(path("soft"), path("a")));
  EXPECT_FALSE(sameExistingFile(path("a"), path("b")));
  EXPECT_FALSE(sameExistingFile(path("a"), path("missing")));
  // A file still to be written is one output however its path is spelt.
  fs::create_directory(path("sub"));
  fs::create_symlink("sub", path("link"));
  EXPECT_TRUE(sameOutputPath(path("new"), (dir_ / "sub" / ".." / "new").string()));
  EXPECT_TRUE(sameOutputPath((dir_ / "link" / "new").string(), (dir_ / "sub" / "new").string()));
  EXPECT_TRUE(sameOutputPath(path("soft"), path("hard")));
  EXPECT_FALSE(sameOutputPath(path("new"), path("other")));
}

}  // namespace
}  // namespace vok
