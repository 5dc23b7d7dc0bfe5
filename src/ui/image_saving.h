// Writing the window's four pictures (source, after the channel, decoded,
// corrections) as PNG files at the picture's own resolution, upright.
#ifndef VOK_UI_IMAGE_SAVING_H_
#define VOK_UI_IMAGE_SAVING_H_

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

namespace vok {

class Experiment;

struct NamedImage {
  QString fileName;  // "source.png", "channel.png", "decoded.png", "corrections.png"
  QImage image;
};

// The four pictures of `experiment`, its correction map rebuilt first.
// REQUIRES: experiment.pictureLoaded().
std::vector<NamedImage> experimentImages(Experiment& experiment);

// The names of `images` that already exist in `folder`.
QStringList existingFiles(const QString& folder, const std::vector<NamedImage>& images);

// Writes each image to `folder`, each file replaced only once it is
// written whole. On failure returns false and names the file in `error`.
bool writeImages(const QString& folder, const std::vector<NamedImage>& images, QString& error);

}  // namespace vok

#endif  // VOK_UI_IMAGE_SAVING_H_
