#include "ui/menu_window.h"

#include <algorithm>

#include "display/text_metrics.h"
#include "ui/popup_frame.h"

Rect menuWindowRect(int orientation, int labelWidth, int valueWidth, int lineHeight, int entryCount,
                    int mainWidth, int mainHeight)
{
    // 64-bit so that absurd fonts or entry counts cannot overflow before the clamp.
    const int64_t frame = 2 * kPopupFrameThickness;
    const int64_t across = int64_t{labelWidth} + valueWidth + kMenuExtraWidth + frame;
    const int64_t along = int64_t{lineHeight} * entryCount + frame;
    const bool quarter = isQuarterTurn(orientation);
    int64_t width = quarter ? along : across;
    int64_t height = quarter ? across : along;
    width = std::clamp<int64_t>(width, 1, std::max(1, mainWidth));
    height = std::clamp<int64_t>(height, 1, std::max(1, mainHeight));
    const int x = std::max(0, static_cast<int>((mainWidth - width) / 2));
    const int y = std::max(0, static_cast<int>((mainHeight - height) / 2));
    return {x, y, x + static_cast<int>(width), y + static_cast<int>(height)};
}

int menuFirstVisible(int highlighted, int firstVisible, int visible, int entryCount)
{
    if (highlighted >= firstVisible && highlighted <= firstVisible + visible - 1) {
        return firstVisible;
    }
    int start = highlighted - visible / 2;
    if (start < 0) {
        start = 0;
    }
    if (start > entryCount - visible) {
        start = entryCount - visible;
    }
    return std::max(0, start);
}

MenuLinePoints menuLinePoints(int orientation, int width, int height, int line, int lineHeight,
                              int valueWidth)
{
    const int a = line * lineHeight;
    const int m = kMenuTextMargin;
    const int v = valueWidth;
    switch (drawnOrientation(orientation)) {
        case 180:
            return {{width - m, height - a}, {v + m, height - a}};
        case 90:
            return {{width - a, m}, {width - a, height - v - m}};
        case -90:
            return {{a, height - m}, {a, v + m}};
        default:
            return {{m, a}, {width - v - m, a}};
    }
}

MenuWindow::MenuWindow(PopupContext& context, Menu& items, MenuWindow* parent)
    : context_(context), items_(items), parent_(parent)
{
    place();
    draw();
}

MenuWindow::~MenuWindow()
{
    context_.screen.removeLayer(layer_);
    context_.screen.present();
}

void MenuWindow::place()
{
    const LauncherSettings& s = context_.settings;
    const int orientation = s.CurrentOrientation;
    const Font& font = context_.fonts.selectFont(s.Fontface, s.MenuFontSize, orientation, 0);
    int labelWidth = 0;
    int valueWidth = 0;
    for (const MenuItem& item : items_) {
        labelWidth = std::max(labelWidth, getTextWidth(font, item.text));
        for (const std::string& choice : item.choices) {
            valueWidth = std::max(valueWidth, getTextWidth(font, choice));
        }
        // A value that matches no choice is shown too, so it must fit as well.
        if (!item.unmatchedValue.empty()) {
            valueWidth = std::max(valueWidth, getTextWidth(font, item.unmatchedValue));
        }
    }
    const Rect rect = menuWindowRect(orientation, labelWidth, valueWidth, getLineHeight(font),
                                     static_cast<int>(items_.size()), context_.screen.width(),
                                     context_.screen.height());
    if (layer_ == 0) {
        layer_ = context_.screen.addLayer(rect);
    } else {
        context_.screen.moveLayer(layer_, rect);
    }
}

void MenuWindow::draw()
{
    render();
    context_.screen.present();
}

void MenuWindow::render()
{
    if (Canvas* canvas = context_.screen.layerCanvas(layer_)) {
        drawInto(*canvas);
    }
}

void MenuWindow::drawInto(Canvas& canvas)
{
    const LauncherSettings& s = context_.settings;
    const int orientation = s.CurrentOrientation;
    const Rect client = popupClientArea(canvas.width(), canvas.height());
    const int W = client.width();
    const int H = client.height();
    const Font& plain = context_.fonts.selectFont(s.Fontface, s.MenuFontSize, orientation, 0);
    const Font& bold = context_.fonts.selectFont(s.Fontface, s.MenuFontSize, orientation, 1);
    clearPopup(canvas, s.Backgroundcolor);

    const int visible = countTextLines(plain, orientation, W, H, 0);
    const int h = getLineHeight(plain);
    const int n = static_cast<int>(items_.size());
    firstVisible_ = menuFirstVisible(highlighted_, firstVisible_, visible, n);
    for (int i = 0; i < visible && firstVisible_ + i < n; ++i) {
        const int index = firstVisible_ + i;
        const MenuItem& item = items_[static_cast<size_t>(index)];
        const Font& font = index == highlighted_ ? bold : plain;
        const std::string& value = item.shownValue();
        const MenuLinePoints points =
            menuLinePoints(orientation, W, H, i, h, getTextWidth(font, value));
        canvas.drawText(client.left + points.label.x, client.top + points.label.y, item.text,
                        font, s.Fontcolor);
        canvas.drawText(client.left + points.value.x, client.top + points.value.y, value, font,
                        s.Fontcolor);
    }
    drawPopupFrame(canvas, s.Fontcolor);
}

bool MenuWindow::tick()
{
    LauncherSettings& s = context_.settings;
    const KeyMappingSettings& keys = s.Keymappings;
    const JoystickMappingSettings& joy = s.JoystickMappings;
    const bool up1 = actionActive(context_, keys.SelectUp, joy.SelectUp);
    const bool down1 = actionActive(context_, keys.SelectDown, joy.SelectDown);
    const bool pageDown1 = actionActive(context_, keys.SelectPageDown, joy.SelectPageDown);
    const bool pageUp1 = actionActive(context_, keys.SelectPageUp, joy.SelectPageUp);
    const bool exit1 = actionActive(context_, keys.Exit, joy.Exit);
    const bool up2 = keyOnlyActive(context_, keys.P2SelectUp);
    const bool down2 = keyOnlyActive(context_, keys.P2SelectDown);
    const bool pageDown2 = keyOnlyActive(context_, keys.P2SelectPageDown);
    const bool pageUp2 = keyOnlyActive(context_, keys.P2SelectPageUp);
    const bool exit2 = keyOnlyActive(context_, keys.P2Exit);

    bool dirty = false;
    const int turned = playerTwoTurn(s, up1 || down1 || pageDown1 || pageUp1 || exit1,
                                     up2 || down2 || pageDown2 || pageUp2 || exit2);
    if (turned != s.CurrentOrientation) {
        // The whole screen turns at once: the main frame, every menu beneath this one, and this
        // one (a half turn keeps each window's size and place).
        s.CurrentOrientation = turned;
        if (context_.screenTurned) {
            context_.screenTurned();
        }
        for (MenuWindow* menu = parent_; menu; menu = menu->parent_) {
            menu->render();
        }
        dirty = true;
    }

    const int n = static_cast<int>(items_.size());
    if (up1 || up2) {
        highlighted_ = highlighted_ <= 0 ? n - 1 : highlighted_ - 1;
        dirty = true;
    }
    if (down1 || down2) {
        highlighted_ = highlighted_ >= n - 1 ? 0 : highlighted_ + 1;
        dirty = true;
    }
    MenuItem& item = items_[static_cast<size_t>(highlighted_)];
    if (pageDown1 || pageDown2) {
        if (item.hasSubmenu()) {
            showMenuWindow(context_, item.submenu, this);
            if (context_.drainKeys) {
                context_.drainKeys();
            }
        } else {
            item.selectNext();
        }
        dirty = true;
    }
    if ((pageUp1 || pageUp2) && !item.hasSubmenu()) {
        item.selectPrevious();
        dirty = true;
    }
    if (dirty) {
        draw();
    }
    return exit1 || exit2;
}

bool showMenuWindow(PopupContext& context, Menu& items, MenuWindow* parent)
{
    if (items.empty()) {
        return false;
    }
    MenuWindow window(context, items, parent);
    if (context.drainKeys) {
        context.drainKeys();
    }
    runPopupLoop(
        context, [&window] { return window.tick(); }, LateTicks::CatchUp);
    return true;
}
