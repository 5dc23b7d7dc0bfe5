// Whole files written and read back without ever leaving a half-written,
// wrong or misplaced one behind.
//
// A regular file is replaced through a temporary file with a unique name in
// its own folder, renamed over it once complete, so a reader (or a crash)
// sees either the old or the new contents, and no other file is touched even
// when a name like "result.csv.tmp" already exists or is a link. Anything
// that is not a regular file (/dev/null, a device, a pipe) is written
// directly and never replaced by a regular file.
#ifndef VOK_COMMON_OUTPUT_FILE_H_
#define VOK_COMMON_OUTPUT_FILE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vok {

// What a path names, links followed.
enum class PathKind {
  kMissing,       // nothing there (yet)
  kRegular,       // a regular file
  kDirectory,     // a directory
  kSpecial,       // a device, pipe or socket
  kInaccessible,  // cannot be examined (permissions, a dangling link, ...)
};

PathKind pathKind(const std::string& path);

// Writes `content` as the whole of `path`. A link is followed: the file it
// names is replaced and the link stays. A regular file keeps its permissions;
// a new one gets 0666 less the umask. On failure returns false, sets `error`
// to a one-line reason naming the path, and leaves the file as it was (a
// special file may have received part of the content).
bool writeWholeFile(const std::string& path, std::string_view content, std::string& error);

// True when writeWholeFile(path, ...) can be expected to succeed: the folder
// of a regular or missing file takes a new file, a special file is writable.
// Changes nothing. On failure sets `error` as writeWholeFile does.
bool checkWritable(const std::string& path, std::string& error);

// The whole regular file (or readable special file) at `path`; nullopt with
// `error` set (e.g. "is a directory", "No such file or directory") otherwise.
std::optional<std::string> readWholeFile(const std::string& path, std::string& error);

// True when both paths name one existing file (same device and inode), however
// they are spelt: through links, "./", "..", or hard links.
bool sameExistingFile(const std::string& a, const std::string& b);

// True when both paths name one file, existing or still to be written: the
// same existing file, or the same path once "./", ".." and the links of its
// existing folders are resolved.
bool sameOutputPath(const std::string& a, const std::string& b);

}  // namespace vok

#endif  // VOK_COMMON_OUTPUT_FILE_H_
