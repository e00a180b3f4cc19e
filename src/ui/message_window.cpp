#include "ui/message_window.h"

#include <algorithm>

#include "display/text_metrics.h"
#include "ui/popup_frame.h"

Rect messageWindowRect(int orientation, int W, int H, int w, int h)
{
    int x, y, width, height;
    if (isQuarterTurn(orientation)) {
        x = (W - h - 30) / 2;
        y = std::max((H - w - 30) / 2, 15);
        width = h + 30;
        height = std::min(w + 30, H - 30);
    } else {
        x = std::max((W - w - 30) / 2, 15);
        y = (H - h - 30) / 2;
        width = std::min(w + 30, W - 30);
        height = h + 30;
    }
    // A screen too small for the margins must not give a negative size.
    width = std::max(width, 0);
    height = std::max(height, 0);
    return Rect{x, y, x + width, y + height};
}

std::optional<Point> messageTextOrigin(int orientation, int width, int height)
{
    switch (orientation) {
        case 0:
            return Point{15, 15};
        case 180:
            return Point{width - 15, height - 15};
        case 90:
            return Point{width - 15, 15};
        case -90:
            return Point{15, height - 15};
        default:
            return std::nullopt;
    }
}

MessageWindow::MessageWindow(Screen& screen, FontCache& fonts, const LauncherSettings& settings)
    : screen_(screen), fonts_(fonts), settings_(settings)
{
}

MessageWindow::~MessageWindow()
{
    if (layer_ != 0) screen_.removeLayer(layer_);
}

void MessageWindow::showMessage(const std::string& text)
{
    text_ = text;
    const int orientation = settings_.CurrentOrientation;
    const Font& font = fonts_.selectFont(settings_.Fontface, settings_.Fontsize, orientation, 0);
    const int w = getTextWidth(font, text_);
    const int h = getLineHeight(font);
    const Rect rect = messageWindowRect(orientation, screen_.width(), screen_.height(), w, h);
    if (layer_ == 0) {
        layer_ = screen_.addLayer(rect);
    } else {
        screen_.moveLayer(layer_, rect);
        screen_.raiseLayer(layer_);
    }
    // Redrawn on every call, also when the size did not change.
    if (Canvas* canvas = screen_.layerCanvas(layer_)) {
        const Rect client = popupClientArea(canvas->width(), canvas->height());
        clearPopup(*canvas, settings_.Backgroundcolor);
        if (auto at = messageTextOrigin(orientation, client.width(), client.height()))
            canvas->drawText(client.left + at->x, client.top + at->y, text_, font,
                             settings_.Fontcolor);
        drawPopupFrame(*canvas, settings_.Fontcolor);
    }
    screen_.present();
}

void MessageWindow::closeMessage()
{
    if (layer_ == 0) return;
    screen_.removeLayer(layer_);
    layer_ = 0;
    screen_.present();
}
