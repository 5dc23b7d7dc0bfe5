// Each picture goes through QSaveFile, so a failed write leaves any file of
// the same name as it was.
#include "ui/image_saving.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "experiment/experiment.h"
#include "import/picture_import.h"
#include "ui/texts.h"

namespace vok {

std::vector<NamedImage> experimentImages(Experiment& experiment) {
  experiment.rebuildCorrectionMap();
  const Picture& p = experiment.picture();
  auto upright = [&](const std::vector<std::uint8_t>& pixels) {
    return imageOf(pixels.data(), p.width, p.height);
  };
  return {{QStringLiteral("source.png"), upright(experiment.sourceImage())},
          {QStringLiteral("channel.png"), upright(experiment.channelImage())},
          {QStringLiteral("decoded.png"), upright(experiment.decodedImage())},
          {QStringLiteral("corrections.png"), upright(experiment.correctionMap())}};
}

QStringList existingFiles(const QString& folder, const std::vector<NamedImage>& images) {
  QStringList names;
  const QDir dir(folder);
  for (const NamedImage& i : images) {
    if (QFileInfo::exists(dir.filePath(i.fileName))) names << i.fileName;
  }
  return names;
}

bool writeImages(const QString& folder, const std::vector<NamedImage>& images, QString& error) {
  const QDir dir(folder);
  for (const NamedImage& i : images) {
    const QString path = dir.filePath(i.fileName);
    QSaveFile file(path);
    if (i.image.isNull() || !file.open(QIODevice::WriteOnly) || !i.image.save(&file, "PNG") ||
        !file.commit()) {
      error = QString::fromUtf8(texts::kCannotWrite).arg(QDir::toNativeSeparators(path));
      return false;
    }
  }
  return true;
}

}  // namespace vok
