#pragma once
// Keeping top-level windows within the screen they are on.
class QWidget;

namespace dv {

// Shrinks `window` to the available area of its screen, leaving room for the frame the window manager adds, and
// moves it wholly onto that area: a size remembered from a larger screen would put its buttons out of reach.
// A window that fits already is left where it is.
void FitToScreen(QWidget* window);

}  // namespace dv
