// The game-information window: the selected game's history text, word-wrapped to the window,
// in a pop-up layer that covers the main window but for a border of ScrollBorderPct per cent.
// The players scroll it one wrapped line per tick and leave it with Exit. The text is wrapped
// once, when the window opens; a player-2 turn while it is open turns it (and the screen beneath)
// at once, with the wrapping unchanged.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/rect.h"
#include "ui/popup_loop.h"

// Pixels between the text and the client edges.
inline constexpr int kInfoTextMargin = 6;

// The window's rectangle over a main client area of mainWidth x mainHeight. The border is
// borderPct per cent of each side, with the percentage held to 0..49 so that the window can
// neither reach past the main window nor shrink to nothing; it is at least 1 x 1.
Rect infoWindowRect(int mainWidth, int mainHeight, int borderPct);

// Width in pixels available to a line: the client's width less both margins in orientations
// 0 and 180, its height less both margins in 90 and -90.
int infoWrapLimit(int orientation, int width, int height);

// Reference points of the wrapped lines drawn in a client area of width x height: line topLine
// first, as many as fit whole inside the margins (and no more than there are lines).
std::vector<Point> infoLinePoints(int orientation, int width, int height, int lineHeight,
                                  int topLine, int wrappedCount);

// Scrolling by one wrapped line: never above the first line, never past the point where only
// the last line is left at the top.
int scrollInfoUp(int topLine);
int scrollInfoDown(int topLine, int wrappedCount);

// One open information window. Public for the tests, which drive ticks and drawing directly.
class InfoWindow {
public:
    // Adds the layer, wraps `lines` (borrowed for the window's life) for its size in the list
    // font of the present orientation, and draws it.
    InfoWindow(PopupContext& context, const std::vector<std::string>& lines);
    ~InfoWindow();  // removes the layer
    InfoWindow(const InfoWindow&) = delete;
    InfoWindow& operator=(const InfoWindow&) = delete;

    // One tick of input; true when a player asked to close the window.
    bool tick();
    // Renders the visible lines into the layer's canvas and presents the screen.
    void draw();

    int topLine() const { return topLine_; }
    const std::vector<std::string>& wrappedLines() const { return wrapped_; }
    LayerId layer() const { return layer_; }

private:
    PopupContext& context_;
    LayerId layer_ = 0;
    int topLine_ = 0;
    std::vector<std::string> wrapped_;
};

// Shows the lines in an information window and runs its loop until a player leaves it or the
// launcher is asked to quit. Returns false at once, showing nothing, when there are no lines.
// Presses made before the window opened are forgotten. GUI thread.
bool showGameInfo(PopupContext& context, const std::vector<std::string>& lines);
