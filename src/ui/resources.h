// The program's own cursors and icon, loaded from its compiled-in resources.
#ifndef VOK_UI_RESOURCES_H_
#define VOK_UI_RESOURCES_H_

#include <QCursor>
#include <QIcon>
#include <optional>

namespace vok {

enum class ZoomCursor {
  In,   // magnifier with a plus sign (cursor 147)
  Out,  // magnifier with a minus sign (cursor 146)
};

// The hot spot of both magnifiers: the centre of the glass.
inline constexpr int kZoomCursorHotX = 6;
inline constexpr int kZoomCursorHotY = 6;

// The cursor for a screen of the given scale factor (its picture enlarged
// block by block, so it keeps its size in points), or nothing when its
// picture cannot be loaded. REQUIRES: scale > 0.
std::optional<QCursor> loadZoomCursor(ZoomCursor which, qreal scale = 1.0);

// Icon 128: a 32 x 32 and a 16 x 16 picture.
QIcon programIcon();

}  // namespace vok

#endif  // VOK_UI_RESOURCES_H_
