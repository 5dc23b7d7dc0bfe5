// vok-sim as a process stopped from outside: a sweep killed before its first
// point is done leaves the old result file as it was, and a run interrupted
// by SIGINT or SIGTERM finishes its transmission and still saves the pictures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "picture/bmp_writer.h"
#include "scratch_directory.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using vok::test::readFile;

// vok-sim started with its stdout on a pipe and its stderr in a file.
class Child {
 public:
  Child(std::vector<std::string> args, const fs::path& errPath) {
    args.insert(args.begin(), VOK_SIM_PATH);
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }
  bool started() const { return pid_ > 0; }

  // Reads stdout until it holds `text`; false after `timeout` or at its end.
  bool waitForOutput(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (output_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) return false;
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  void signal(int number) { ::kill(pid_, number); }

  // The wait status once the child ends; -1 if it is still running after 60 s.
  int wait() {
    // Keep the pipe drained so that the child never blocks on a full pipe.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, 50) > 0) {
        char buffer[4096];
        if (::read(out_, buffer, sizeof buffer) > 0) continue;
      }
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

class Interrupt : public vok::test::ScratchDirectoryTest {
 protected:
  Interrupt() : ScratchDirectoryTest("vok_interrupt_") {}
};

TEST_F(Interrupt, SweepKilledDuringStartUpLeavesTheOldResultFile) {
  // Same sweep both times; P0 0.3 stops after its first block (min-errors 1),
  // P0 0.001 would run 2^21 error-free blocks.
  const std::vector<std::string> base = {
      "sweep", "--random",  "20000", "--blocks", "2097152",         "--min-errors",
      "1",     "--threads", "1",     "--csv",    path("result.csv")};
  {
    std::vector<std::string> args = base;
    args.insert(args.end(), {"--p0", "0.3"});
    Child first(args, path("first.err"));
    ASSERT_TRUE(first.started());
    const int status = first.wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(path("first.err"));
  }
  const std::string before = readFile(path("result.csv"));
  ASSERT_NE(before.find("\n0.3,1,"), std::string::npos) << before;

  std::vector<std::string> args = base;
  args.insert(args.end(), {"--p0", "0.001,0.3"});
  Child second(args, path("second.err"));
  ASSERT_TRUE(second.started());
  // Start-up is over once the table header shows (or, at the latest, after
  // 3 s); the first point then runs for many minutes.
  second.waitForOutput("symbols/s", std::chrono::seconds(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  second.signal(SIGKILL);
  const int status = second.wait();
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(readFile(path("result.csv")), before);
}

TEST_F(Interrupt, RunStoppedBySignalFinishesItsTransmissionAndSavesThePictures) {
  std::vector<std::uint8_t> pixels(200 * 150 * 3);
  for (std::size_t k = 0; k < pixels.size(); ++k) pixels[k] = static_cast<std::uint8_t>(k * 13);
  ASSERT_TRUE(vok::writeBmp(path("pic.bmp"), pixels.data(), 200, 150));
  for (const int number : {SIGINT, SIGTERM}) {
    const fs::path images = dir_ / ("images" + std::to_string(number));
    Child run({"run", "--dir", dir_.string(), "--transmissions", "1000000", "--json",
               "--save-images", images.string()},
              path("run.err"));
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.waitForOutput("\"event\":\"transmission\"")) << readFile(path("run.err"));
    run.signal(number);
    const int status = run.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << number;
    EXPECT_EQ(WEXITSTATUS(status), 128 + number);
    const std::string err = readFile(path("run.err"));
    EXPECT_NE(err.find("interrupted after"), std::string::npos) << err;
    EXPECT_NE(err.find("pictures of the last one are saved"), std::string::npos) << err;
    for (const char* name : {"source.bmp", "channel.bmp", "decoded.bmp", "corrections.bmp"}) {
      EXPECT_EQ(fs::file_size(images / name), 54u + 150u * 600u) << name;
    }
  }
}

}  // namespace
