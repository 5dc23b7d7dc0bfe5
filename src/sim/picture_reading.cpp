#include "sim/picture_reading.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <utility>
#include <vector>

#include "import/import_module_entry.h"
#include "import/picture_files.h"

namespace vok::sim {
namespace {

namespace fs = std::filesystem;

std::string& modulePathOverride() {
  static std::string path;
  return path;
}

// Where the module may be: the override, else beside the program (the build
// tree), then in the installed library directory relative to the program.
std::vector<fs::path> moduleCandidates() {
  if (!modulePathOverride().empty()) return {modulePathOverride()};
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const fs::path bin = program.parent_path();
  return {bin / kImportModuleFile, bin / VOK_IMPORT_MODULE_DIR_FROM_BIN / kImportModuleFile};
}

// The module's entry, or null with `failure` saying why.
struct LoadedModule {
  ImportModuleEntry entry = nullptr;
  std::string failure;
};

const LoadedModule& importModule() {
  static LoadedModule loaded;
  static std::once_flag once;
  std::call_once(once, [] {
    loaded.failure = std::string("модуль чтения рисунков ") + kImportModuleFile + " не найден";
    for (const fs::path& candidate : moduleCandidates()) {
      std::error_code error;
      if (!fs::exists(candidate, error)) continue;
      void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) {
        const char* why = ::dlerror();
        loaded.failure = std::string("модуль чтения рисунков не загружается: ") +
                         (why != nullptr ? why : candidate.string());
        continue;
      }
      // The module stays loaded for the rest of the process.
      loaded.entry = reinterpret_cast<ImportModuleEntry>(::dlsym(handle, kImportModuleEntry));
      if (loaded.entry != nullptr) return;
      loaded.failure = std::string("в модуле чтения рисунков нет ") + kImportModuleEntry;
    }
  });
  return loaded;
}

DecodedPicture decodeWithModule(std::span<const std::uint8_t> file) {
  const LoadedModule& module = importModule();
  DecodedPicture decoded;
  if (module.entry == nullptr) {
    decoded.status = DecodeStatus::kNoDecoder;
    decoded.failure = module.failure;
    return decoded;
  }
  module.entry(file.data(), file.size(), &pictureSizeSupported, &decoded);
  return decoded;
}

}  // namespace

PictureOutcome readPictureFile(const std::string& path, std::optional<PaneSize> pane,
                               LoadedPicture& out) {
  return importPictureWith(&decodeWithModule, path, pane, out);
}

PictureReader pictureFileReader(std::string path) {
  return pictureReaderWith(&decodeWithModule, std::move(path));
}

void setImportModulePath(std::string path) { modulePathOverride() = std::move(path); }

}  // namespace vok::sim
