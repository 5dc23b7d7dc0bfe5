// Whole-file reading for the codec file parsers.
#include "codec/text_scanner.h"

#include <cstdio>
#include <memory>

namespace vok::detail {

bool readWholeFile(const std::string& path, std::string& out) {
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  out.clear();
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) out.append(buffer, got);
  // A path that opens but cannot be read (a directory) counts as missing.
  return std::ferror(file.get()) == 0;
}

}  // namespace vok::detail
