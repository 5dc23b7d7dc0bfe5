#include "import/picture_files.h"

#include <filesystem>
#include <fstream>
#include <utility>

namespace vok {
namespace {

PictureOutcome outcomeOf(const DecodedPicture& decoded, std::string_view name,
                         std::optional<PaneSize> pane, LoadedPicture& out) {
  switch (decoded.status) {
    case DecodeStatus::kDecoded:
      return outcomeOf(loadPictureFromBytes(decoded.bmp, pane, out), name);
    case DecodeStatus::kUnreadable:
      break;
    case DecodeStatus::kUnsupported:
      return outcomeOf(PictureLoadStatus::Unsupported, name);
    case DecodeStatus::kNoDecoder:
      return {InitStatus::PictureUnreadable,
              "Не удалось прочитать рисунок " + std::string(name) + ": " + decoded.failure};
  }
  return {InitStatus::PictureUnreadable, pictureUnreadableMessage(name)};
}

}  // namespace

bool isBmp24(std::span<const std::uint8_t> head) {
  return head.size() >= 30 && head[0] == 'B' && head[1] == 'M' && head[28] == 24 && head[29] == 0;
}

PictureOutcome importPictureWith(const PictureDecoder& decoder, const std::string& path,
                                 std::optional<PaneSize> pane, LoadedPicture& out) {
  out = LoadedPicture{};
  const std::filesystem::path file(path);
  const std::string name = file.filename().string();
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  std::ifstream in;
  if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
    in.open(file, std::ios::binary);
  }
  if (!in.is_open()) return outcomeOf(PictureLoadStatus::FileMissing, name);
  std::uint8_t head[30] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  if (isBmp24(std::span(head, static_cast<std::size_t>(in.gcount())))) {
    in.close();
    return outcomeOf(loadPicture(path, pane, out), name);
  }
  in.clear();
  std::vector<std::uint8_t> bytes(head, head + in.gcount());
  for (char chunk[1 << 16]; in.read(chunk, sizeof chunk) || in.gcount() > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) return {InitStatus::PictureUnreadable, pictureUnreadableMessage(name)};
  return outcomeOf(decoder(bytes), name, pane, out);
}

PictureOutcome importPictureBytesWith(const PictureDecoder& decoder,
                                      std::span<const std::uint8_t> bytes, std::string_view name,
                                      std::optional<PaneSize> pane, LoadedPicture& out) {
  out = LoadedPicture{};
  if (isBmp24(bytes)) return outcomeOf(loadPictureFromBytes(bytes, pane, out), name);
  return outcomeOf(decoder(bytes), name, pane, out);
}

PictureReader pictureReaderWith(PictureDecoder decoder, std::string path) {
  return [decoder = std::move(decoder), path = std::move(path)](std::optional<PaneSize> pane,
                                                                LoadedPicture& out) {
    return importPictureWith(decoder, path, pane, out);
  };
}

}  // namespace vok
