// Message boxes on the launcher's own window. SDL's message box needs a window manager and the
// X core fonts, and a cabinet often has neither (or runs on KMS with no X at all): then the only
// trace of an error would be standard error. Once the main window exists, a message box is a
// framed pop-up layer of that window instead, with the caption in bold above the word-wrapped
// text, closed with the Exit or StartGame controls of either player, or Enter.
#pragma once

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/rect.h"
#include "ui/popup_loop.h"

// Pixels between the text and the client edges.
inline constexpr int kMessageBoxMargin = 15;

// The box's outer rectangle (frame included), centred on a W x H screen, for lines at most
// textWidth pixels wide, lineCount lines of lineHeight; turned a quarter, the box is a tall strip.
// Held to the screen less 15 pixels each side, never of a negative size.
Rect messageBoxRect(int orientation, int W, int H, int textWidth, int lineHeight, int lineCount);

// Shows the box as a layer and runs its loop until a player closes it (or the launcher is asked
// to quit). Presses made before it opened are forgotten. Writes nothing to standard error.
// GUI thread.
void showMessageBoxLayer(PopupContext& context, const std::string& text,
                         const std::string& caption);

// The launcher's message boxes: every message goes to standard error; on the screen it is a
// layer once attach() has been called (the main window and its input exist), SDL's box before.
class LauncherMessageBoxes final : public MessageBoxes {
public:
    // `beforeWindow` is borrowed for the whole life.
    explicit LauncherMessageBoxes(MessageBoxes& beforeWindow) : beforeWindow_(beforeWindow) {}
    // From now on boxes are layers worked with `context` (borrowed until detach()).
    void attach(PopupContext& context) { context_ = &context; }
    void detach() { context_ = nullptr; }

    void show(const std::string& text, const std::string& caption) override;

private:
    MessageBoxes& beforeWindow_;
    PopupContext* context_ = nullptr;
};
