// A one-line notice in a pop-up layer in the middle of the screen, shown while the launcher is
// busy (building the catalogue, launching a game). Showing paints it at once; it stays, unchanged,
// until the next text is shown or it is closed. The text is written in the list font and colours
// in the current orientation.
#pragma once

#include <optional>
#include <string>

#include "config/settings.h"
#include "display/font_cache.h"
#include "platform/rect.h"
#include "platform/screen.h"

// The pop-up's outer rectangle (frame included) on a W x H screen for a text w pixels long and a
// line h pixels high.
Rect messageWindowRect(int orientation, int W, int H, int w, int h);
// Reference point of the text inside a client area (within the frame) of width x height;
// nothing for an orientation other than the four.
std::optional<Point> messageTextOrigin(int orientation, int width, int height);

class MessageWindow {
public:
    // Borrows all three for its whole life.
    MessageWindow(Screen& screen, FontCache& fonts, const LauncherSettings& settings);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Shows `text` (copied), creating the layer or moving the existing one, and presents the
    // screen so it is visible at once. GUI thread.
    void showMessage(const std::string& text);
    // Removes the layer and presents; nothing when none is shown.
    void closeMessage();

    bool isShown() const { return layer_ != 0; }
    const std::string& text() const { return text_; }
    LayerId layer() const { return layer_; }

private:
    Screen& screen_;
    FontCache& fonts_;
    const LauncherSettings& settings_;
    std::string text_;
    LayerId layer_ = 0;
};
