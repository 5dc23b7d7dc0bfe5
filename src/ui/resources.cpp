// Loading the cursors and the icon from the resources compiled into vok_ui.
#include "ui/resources.h"

#include <QPixmap>
#include <QString>

namespace vok {

std::optional<QCursor> loadZoomCursor(ZoomCursor which) {
  const QPixmap picture(which == ZoomCursor::In ? QStringLiteral(":/vok/zoom_in.xpm")
                                                : QStringLiteral(":/vok/zoom_out.xpm"));
  if (picture.isNull()) return std::nullopt;
  return QCursor(picture, kZoomCursorHotX, kZoomCursorHotY);
}

QIcon programIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/vok/icon32.xpm"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/vok/icon16.xpm"), QSize(16, 16));
  return icon;
}

}  // namespace vok
