// Replacing and reading whole files with POSIX calls, so that the file type,
// the temporary name and every error are under our control.
#include "common/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace vok {
namespace {

std::string reason(const std::string& path, int error) {
  return "cannot write " + path + ": " + std::strerror(error);
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; false (with errno set) when the close reports an error.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool writeAll(int fd, std::string_view content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The file a regular or missing `path` stands for: the target of a link,
// else `path` itself. nullopt with `error` set for a dangling link.
std::optional<std::string> replacedFile(const std::string& path, std::string& error) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  std::vector<char> resolved(PATH_MAX + 1);
  if (::realpath(path.c_str(), resolved.data()) == nullptr) {
    error = reason(path, errno) + " (a link to a missing file)";
    return std::nullopt;
  }
  return std::string(resolved.data());
}

// The template of a unique temporary name beside `file`.
std::string temporaryTemplate(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  return folder + "." + name + ".tmp-XXXXXX";
}

std::string folderOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

// The mode open() would give a new file: 0666 less the umask. The umask is
// read from /proc, since setting and restoring it races with other threads;
// only where /proc does not say is that done.
mode_t newFileMode() {
  mode_t mask = 0;
  bool known = false;
  Descriptor status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
  if (status.get() >= 0) {
    char buffer[4096];
    const ssize_t n = ::read(status.get(), buffer, sizeof buffer - 1);
    if (n > 0) {
      buffer[n] = '\0';
      const char* line = std::strstr(buffer, "\nUmask:");
      if (line != nullptr) {
        char* end = nullptr;
        mask = static_cast<mode_t>(std::strtoul(line + 7, &end, 8));
        known = end != line + 7;
      }
    }
  }
  if (!known) {
    mask = ::umask(022);
    ::umask(mask);
  }
  return 0666 & ~mask;
}

bool writeSpecial(const std::string& path, std::string_view content, std::string& error) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0 || !writeAll(fd.get(), content) || !fd.close()) {
    error = reason(path, errno);
    return false;
  }
  return true;
}

bool replaceRegular(const std::string& path, std::string_view content, std::string& error) {
  const std::optional<std::string> file = replacedFile(path, error);
  if (!file) return false;
  struct stat old {};
  const bool existed = ::stat(file->c_str(), &old) == 0;
  std::string temporary = temporaryTemplate(*file);
  Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0) {
    error = reason(path, errno);
    return false;
  }
  const auto fail = [&](int code) {
    ::unlink(temporary.c_str());
    error = reason(path, code);
    return false;
  };
  if (existed) {
    // Keep the owner where allowed (root writing a user's file); the mode
    // always.
    if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
      // Not permitted for an ordinary user: the new file is theirs.
    }
    if (::fchmod(fd.get(), old.st_mode & 07777) != 0) return fail(errno);
  } else if (::fchmod(fd.get(), newFileMode()) != 0) {
    return fail(errno);
  }
  if (!writeAll(fd.get(), content) || ::fsync(fd.get()) != 0) return fail(errno);
  if (!fd.close()) return fail(errno);
  if (::rename(temporary.c_str(), file->c_str()) != 0) return fail(errno);
  // Make the rename itself durable; a failure here does not undo the write.
  Descriptor folder(::open(folderOf(*file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

}  // namespace

PathKind pathKind(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    struct stat link {};
    if (errno == ENOENT && ::lstat(path.c_str(), &link) != 0) return PathKind::kMissing;
    return PathKind::kInaccessible;
  }
  if (S_ISREG(st.st_mode)) return PathKind::kRegular;
  if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
  return PathKind::kSpecial;
}

namespace {

// Sets the refusal of a path no file can be written to (a folder, or a path
// that cannot be looked at) and returns true; false when it may be written.
bool refusedOutput(const std::string& path, PathKind kind, std::string& error) {
  if (kind == PathKind::kDirectory) {
    error = reason(path, EISDIR);
    return true;
  }
  if (kind == PathKind::kInaccessible) {
    struct stat st {};
    error = reason(path, ::stat(path.c_str(), &st) != 0 ? errno : EACCES);
    return true;
  }
  return false;
}

}  // namespace

bool writeWholeFile(const std::string& path, std::string_view content, std::string& error) {
  const PathKind kind = pathKind(path);
  if (refusedOutput(path, kind, error)) return false;
  if (kind == PathKind::kSpecial) return writeSpecial(path, content, error);
  return replaceRegular(path, content, error);
}

bool checkWritable(const std::string& path, std::string& error) {
  const PathKind kind = pathKind(path);
  if (refusedOutput(path, kind, error)) return false;
  if (kind == PathKind::kSpecial) {
    if (::access(path.c_str(), W_OK) == 0) return true;
    error = reason(path, errno);
    return false;
  }
  const std::optional<std::string> file = replacedFile(path, error);
  if (!file) return false;
  std::string temporary = temporaryTemplate(*file);
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    error = reason(path, errno);
    return false;
  }
  ::close(fd);
  ::unlink(temporary.c_str());
  return true;
}

std::optional<std::string> readWholeFile(const std::string& path, std::string& error) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "is a directory, not a file";
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      return std::nullopt;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return content;
}

bool sameExistingFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool sameOutputPath(const std::string& a, const std::string& b) {
  if (sameExistingFile(a, b)) return true;
  const auto resolved = [](const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::path(path).lexically_normal() : full;
  };
  return resolved(a) == resolved(b);
}

}  // namespace vok
