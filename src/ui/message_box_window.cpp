#include "ui/message_box_window.h"

#include <algorithm>
#include <cstdint>

#include "display/main_window.h"
#include "display/text_metrics.h"
#include "ui/popup_frame.h"
#include "ui/word_wrap.h"

Rect messageBoxRect(int orientation, int W, int H, int textWidth, int lineHeight, int lineCount)
{
    const int64_t pad = 2 * (kMessageBoxMargin + kPopupFrameThickness);
    const bool quarter = isQuarterTurn(orientation);
    const int64_t across = int64_t{textWidth} + pad;
    const int64_t along = int64_t{lineHeight} * lineCount + pad;
    const int64_t width = std::clamp<int64_t>(quarter ? along : across, 0, std::max(0, W - 30));
    const int64_t height = std::clamp<int64_t>(quarter ? across : along, 0, std::max(0, H - 30));
    const int x = static_cast<int>((W - width) / 2);
    const int y = static_cast<int>((H - height) / 2);
    return {x, y, x + static_cast<int>(width), y + static_cast<int>(height)};
}

namespace {

// Below this a box's text would be unreadable anyway; it is cut by the frame instead.
constexpr int kMinMessageBoxFontSize = 6;

class MessageBoxLayer {
public:
    MessageBoxLayer(PopupContext& context, const std::string& text, const std::string& caption)
        : context_(context), caption_(caption)
    {
        const LauncherSettings& s = context_.settings;
        const int orientation = drawnOrientation(s.CurrentOrientation);
        const int W = context_.screen.width();
        const int H = context_.screen.height();
        const bool quarter = isQuarterTurn(orientation);
        const int pad = 30 + 2 * (kMessageBoxMargin + kPopupFrameThickness);
        // Wrapped to what the screen holds across the text, less the margins and the frame.
        const int across = (quarter ? H : W) - pad;
        const int along = (quarter ? W : H) - pad;
        std::vector<std::string> source;
        for (size_t start = 0; start <= text.size();) {
            const size_t end = std::min(text.find('\n', start), text.size());
            source.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        while (source.size() > 1 && source.back().empty()) source.pop_back();
        // The list font, smaller when the wrapped text would not fit on a small screen: the
        // caption and the line that says how to close the box must stay in sight.
        int size = s.Fontsize;
        for (;;) {
            const Font& font = context_.fonts.selectFont(s.Fontface, size, orientation, 0);
            lines_ = wordWrapText(source, std::max(across, 1), [&font](std::string_view piece) {
                return font.textWidth(std::string(piece));
            });
            const int64_t height = int64_t{getLineHeight(font)} * (lines_.size() + 3);
            if (height <= along || size <= kMinMessageBoxFontSize) break;
            size = std::max(kMinMessageBoxFontSize, size * 4 / 5);
        }
        const Font& font = context_.fonts.selectFont(s.Fontface, size, orientation, 0);
        const Font& bold = context_.fonts.selectFont(s.Fontface, size, orientation, 1);
        // The caption first, then the text, a blank line and how to close the box.
        lines_.insert(lines_.begin(), caption_);
        lines_.push_back("");
        lines_.push_back(kHint);
        int widest = getTextWidth(bold, caption_);
        for (size_t i = 1; i < lines_.size(); ++i)
            widest = std::max(widest, getTextWidth(font, lines_[i]));
        layer_ = context_.screen.addLayer(messageBoxRect(
            orientation, W, H, widest, getLineHeight(font), static_cast<int>(lines_.size())));
        draw(font, bold, orientation);
    }
    ~MessageBoxLayer()
    {
        context_.screen.removeLayer(layer_);
        context_.screen.present();
    }
    MessageBoxLayer(const MessageBoxLayer&) = delete;
    MessageBoxLayer& operator=(const MessageBoxLayer&) = delete;

    bool tick()
    {
        const LauncherSettings& s = context_.settings;
        const KeyMappingSettings& keys = s.Keymappings;
        const JoystickMappingSettings& joy = s.JoystickMappings;
        const bool exit = actionActive(context_, keys.Exit, joy.Exit);
        const bool start = actionActive(context_, keys.StartGame, joy.StartGame);
        const bool exit2 = keyOnlyActive(context_, keys.P2Exit);
        const bool start2 = keyOnlyActive(context_, keys.P2StartGame);
        const bool enter = keyOnlyActive(context_, kVkReturn);
        return exit || start || exit2 || start2 || enter;
    }

private:
    static constexpr const char* kHint = "OK: Enter, Start or Exit";

    void draw(const Font& font, const Font& bold, int orientation)
    {
        const LauncherSettings& s = context_.settings;
        Canvas* canvas = context_.screen.layerCanvas(layer_);
        if (!canvas) return;
        clearPopup(*canvas, s.Backgroundcolor);
        const Rect client = popupClientArea(canvas->width(), canvas->height());
        const int h = getLineHeight(font);
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Point viewer{kMessageBoxMargin, kMessageBoxMargin + static_cast<int>(i) * h};
            const Point at = turnedTextOrigin(orientation, client.width(), client.height(), viewer);
            canvas->drawText(client.left + at.x, client.top + at.y, lines_[i], i == 0 ? bold : font,
                             s.Fontcolor);
        }
        drawPopupFrame(*canvas, s.Fontcolor);
        context_.screen.present();
    }

    PopupContext& context_;
    std::string caption_;
    std::vector<std::string> lines_;
    LayerId layer_ = 0;
};

}  // namespace

void showMessageBoxLayer(PopupContext& context, const std::string& text, const std::string& caption)
{
    MessageBoxLayer box(context, text, caption);
    if (context.drainKeys) context.drainKeys();
    runPopupLoop(
        context, [&box] { return box.tick(); }, LateTicks::Skip);
    // The control that closed the box must be let go before it acts again.
    if (context.drainKeys) context.drainKeys();
}

void LauncherMessageBoxes::show(const std::string& text, const std::string& caption)
{
    if (!context_) {
        beforeWindow_.show(text, caption);
        return;
    }
    logMessage(text, caption);
    if (messageBoxesWanted()) showMessageBoxLayer(*context_, text, caption);
}
