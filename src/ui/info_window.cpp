#include "ui/info_window.h"

#include <algorithm>
#include <cstdint>

#include "display/text_metrics.h"
#include "ui/popup_frame.h"
#include "ui/word_wrap.h"

Rect infoWindowRect(int mainWidth, int mainHeight, int borderPct)
{
    const int64_t p = std::clamp(borderPct, 0, 49);
    const int bx = static_cast<int>(p * mainWidth / 100);
    const int by = static_cast<int>(p * mainHeight / 100);
    const int width = std::max(1, mainWidth - 2 * bx);
    const int height = std::max(1, mainHeight - 2 * by);
    return {bx, by, bx + width, by + height};
}

int infoWrapLimit(int orientation, int width, int height)
{
    const int side = isQuarterTurn(orientation) ? height : width;
    return side - 2 * kInfoTextMargin;
}

std::vector<Point> infoLinePoints(int orientation, int width, int height, int lineHeight,
                                  int topLine, int wrappedCount)
{
    std::vector<Point> points;
    const int h = std::max(1, lineHeight);
    const int m = kInfoTextMargin;
    const int W = width;
    const int H = height;
    for (int i = 0; topLine >= 0 && topLine + i < wrappedCount; ++i) {
        const int64_t step = int64_t{i} * h;
        bool fits = false;
        Point point;
        switch (drawnOrientation(orientation)) {
            case 180:
                fits = H - m - step >= h + m;
                point = {W - m, static_cast<int>(H - m - step)};
                break;
            case 90:
                fits = W - m - step >= h + m;
                point = {static_cast<int>(W - m - step), m};
                break;
            case -90:
                fits = m + step <= W - h - m;
                point = {static_cast<int>(m + step), H - m};
                break;
            default:
                fits = m + step <= H - h - m;
                point = {m, static_cast<int>(m + step)};
                break;
        }
        if (!fits) {
            break;
        }
        points.push_back(point);
    }
    return points;
}

int scrollInfoUp(int topLine) { return std::max(0, topLine - 1); }

int scrollInfoDown(int topLine, int wrappedCount)
{
    return std::max(0, std::min(topLine + 1, wrappedCount - 1));
}

InfoWindow::InfoWindow(PopupContext& context, const std::vector<std::string>& lines)
    : context_(context)
{
    const LauncherSettings& s = context_.settings;
    const Rect rect =
        infoWindowRect(context_.screen.width(), context_.screen.height(), s.ScrollBorderPct);
    layer_ = context_.screen.addLayer(rect);
    const Font& font = context_.fonts.selectFont(s.Fontface, s.Fontsize, s.CurrentOrientation, 0);
    const Rect client = popupClientArea(rect.width(), rect.height());
    const int limit = infoWrapLimit(s.CurrentOrientation, client.width(), client.height());
    wrapped_ = wordWrapText(
        lines, limit, [&font](std::string_view text) { return font.textWidth(std::string(text)); });
    draw();
}

InfoWindow::~InfoWindow()
{
    context_.screen.removeLayer(layer_);
    context_.screen.present();
}

void InfoWindow::draw()
{
    const LauncherSettings& s = context_.settings;
    if (Canvas* canvas = context_.screen.layerCanvas(layer_)) {
        const Rect client = popupClientArea(canvas->width(), canvas->height());
        clearPopup(*canvas, s.Backgroundcolor);
        const Font& font =
            context_.fonts.selectFont(s.Fontface, s.Fontsize, s.CurrentOrientation, 0);
        const std::vector<Point> points =
            infoLinePoints(s.CurrentOrientation, client.width(), client.height(),
                           getLineHeight(font), topLine_, static_cast<int>(wrapped_.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            canvas->drawText(client.left + points[i].x, client.top + points[i].y,
                             wrapped_[static_cast<size_t>(topLine_) + i], font, s.Fontcolor);
        }
        drawPopupFrame(*canvas, s.Fontcolor);
    }
    context_.screen.present();
}

bool InfoWindow::tick()
{
    LauncherSettings& s = context_.settings;
    const KeyMappingSettings& keys = s.Keymappings;
    const JoystickMappingSettings& joy = s.JoystickMappings;
    const bool up1 = actionActive(context_, keys.SelectUp, joy.SelectUp);
    const bool down1 = actionActive(context_, keys.SelectDown, joy.SelectDown);
    const bool exit1 = actionActive(context_, keys.Exit, joy.Exit);
    const bool up2 = keyOnlyActive(context_, keys.P2SelectUp);
    const bool down2 = keyOnlyActive(context_, keys.P2SelectDown);
    const bool exit2 = keyOnlyActive(context_, keys.P2Exit);

    // The whole screen turns at once, the main frame beneath and this window; the text keeps
    // the wrapping it was opened with (a half turn keeps the window's size).
    const int turned = playerTwoTurn(s, up1 || down1 || exit1, up2 || down2 || exit2);
    bool dirty = false;
    if (turned != s.CurrentOrientation) {
        s.CurrentOrientation = turned;
        if (context_.screenTurned) {
            context_.screenTurned();
        }
        dirty = true;
    }
    const int count = static_cast<int>(wrapped_.size());
    if (up1 || up2) {
        topLine_ = scrollInfoUp(topLine_);
        dirty = true;
    }
    if (down1 || down2) {
        topLine_ = scrollInfoDown(topLine_, count);
        dirty = true;
    }
    if (dirty) {
        draw();
    }
    return exit1 || exit2;
}

bool showGameInfo(PopupContext& context, const std::vector<std::string>& lines)
{
    if (lines.empty()) {
        return false;
    }
    InfoWindow window(context, lines);
    if (context.drainKeys) {
        context.drainKeys();
    }
    runPopupLoop(
        context, [&window] { return window.tick(); }, LateTicks::Skip);
    return true;
}
