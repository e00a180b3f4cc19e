#include "ui/popup_frame.h"

#include <algorithm>

Rect popupClientArea(int width, int height)
{
    const int f = kPopupFrameThickness;
    const int right = std::max(f, width - f);
    const int bottom = std::max(f, height - f);
    return {f, f, right, bottom};
}

void clearPopup(Canvas& canvas, Colorref background)
{
    canvas.fillRect({0, 0, canvas.width(), canvas.height()}, background);
}

void drawPopupFrame(Canvas& canvas, Colorref colour)
{
    const int W = canvas.width();
    const int H = canvas.height();
    const int f = kPopupFrameThickness;
    canvas.fillRect({0, 0, W, f}, colour);
    canvas.fillRect({0, H - f, W, H}, colour);
    canvas.fillRect({0, 0, f, H}, colour);
    canvas.fillRect({W - f, 0, W, H}, colour);
}
