// The frame every pop-up layer draws around itself. A pop-up's rectangle is its outer size,
// frame included; its text lives in the client area inside the frame. The frame is drawn last,
// over anything that ran past the client area, so that one pop-up over another (a sub-menu over
// its menu) always reads as a window of its own.
#pragma once

#include "platform/canvas.h"
#include "platform/rect.h"

// Thickness of the frame in pixels on every side.
inline constexpr int kPopupFrameThickness = 4;

// The client area of a pop-up whose canvas is width x height, in the canvas's coordinates;
// empty (never negative) when the frame leaves no room.
Rect popupClientArea(int width, int height);

// Fills the whole canvas with the background colour. Done first.
void clearPopup(Canvas& canvas, Colorref background);

// Draws the frame along the canvas's edges in `colour`. Done last.
void drawPopupFrame(Canvas& canvas, Colorref colour);
