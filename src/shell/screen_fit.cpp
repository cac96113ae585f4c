#include "shell/screen_fit.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace dv {

namespace {
// The frame is not known before the window is shown; this is a usual title bar and border.
constexpr int kFrameWidth = 16, kFrameHeight = 48;
}  // namespace

void FitToScreen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  const QRect room = screen->availableGeometry().adjusted(0, 0, -kFrameWidth, -kFrameHeight);
  const QSize size = window->size().boundedTo(room.size());
  if (size != window->size()) window->resize(size);
  const int x = std::clamp(window->x(), room.left(), std::max(room.left(), room.right() + 1 - size.width()));
  const int y = std::clamp(window->y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height()));
  if (QPoint(x, y) != window->pos()) window->move(x, y);
}

}  // namespace dv
