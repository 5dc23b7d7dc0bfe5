// Loading the cursors and the icon from the resources compiled into vok_ui.
#include "ui/resources.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QString>

namespace vok {

std::optional<QCursor> loadZoomCursor(ZoomCursor which, qreal scale) {
  QPixmap picture(which == ZoomCursor::In ? QStringLiteral(":/vok/zoom_in.xpm")
                                          : QStringLiteral(":/vok/zoom_out.xpm"));
  if (picture.isNull()) return std::nullopt;
  if (scale == 1.0) return QCursor(picture, kZoomCursorHotX, kZoomCursorHotY);
  // Enlarged without smoothing, so the one-point lines stay sharp.
  const QSize size = (QSizeF(picture.size()) * scale).toSize();
  picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  picture.setDevicePixelRatio(scale);
  // The X11 platform plugin hands the hot spot to the server as it is, in
  // the enlarged picture's own pixels; the others scale it from points.
  const bool hotSpotInPicturePixels = QGuiApplication::platformName() == QLatin1String("xcb");
  const qreal hotScale = hotSpotInPicturePixels ? scale : 1.0;
  return QCursor(picture, qRound(kZoomCursorHotX * hotScale), qRound(kZoomCursorHotY * hotScale));
}

QIcon programIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/vok/icon32.xpm"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/vok/icon16.xpm"), QSize(16, 16));
  return icon;
}

}  // namespace vok
