// The menu window: a pop-up layer centred over the main window that shows a list of menu
// entries, label at the left and value at the right, and lets both players move the highlight,
// step the highlighted entry through its choices, open a sub-menu in a nested window, and
// leave. It changes only the entries' selections; the settings are written after it closes.
#pragma once

#include "platform/canvas.h"
#include "platform/rect.h"
#include "ui/menu_model.h"
#include "ui/popup_loop.h"

// Pixels between a label and the viewer's left edge, and between a value and the right edge.
inline constexpr int kMenuTextMargin = 6;
// Extra width beyond the widest label and the widest value.
inline constexpr int kMenuExtraWidth = 112;

// The window's outer rectangle on a main window of mainWidth x mainHeight: the client is
// (labelWidth + valueWidth + 112) wide and lineHeight x entryCount high, the two swapped in
// orientations 90 and -90, and the frame lies around it. Centred, never at a negative position.
// A menu larger than the main window is cut to its size (and then scrolls), and the window is
// always at least 1 x 1.
Rect menuWindowRect(int orientation, int labelWidth, int valueWidth, int lineHeight, int entryCount,
                    int mainWidth, int mainHeight);

// The entry to draw on the first line so that the highlighted entry is visible: unchanged while
// it is, otherwise the highlight is put in the middle of the page, the page kept inside the
// list. `visible` is the number of lines that fit.
int menuFirstVisible(int highlighted, int firstVisible, int visible, int entryCount);

// Reference points of line `line` (of height lineHeight) in a client area of width x height, for
// a value `valueWidth` pixels wide: the label starts 6 pixels from the viewer's left edge, the
// value ends 6 pixels from the viewer's right edge.
struct MenuLinePoints {
    Point label;
    Point value;
};
MenuLinePoints menuLinePoints(int orientation, int width, int height, int line, int lineHeight,
                              int valueWidth);

// One open menu window. Public for the tests, which drive ticks and drawing directly.
class MenuWindow {
public:
    // Adds the layer, sized and placed for the entries in the present orientation, and draws
    // it. `items` is borrowed for the window's life and must not be empty. `parent` is the open
    // menu this one is nested in (null for the top one); a turn while this one is open redraws
    // the parents too.
    MenuWindow(PopupContext& context, Menu& items, MenuWindow* parent = nullptr);
    ~MenuWindow();  // removes the layer
    MenuWindow(const MenuWindow&) = delete;
    MenuWindow& operator=(const MenuWindow&) = delete;

    // One tick of input; true when the players asked to close the window. A sub-menu entry
    // opened with page down runs its nested window inside this call.
    bool tick();
    // Renders the whole menu into the layer's canvas and presents the screen. The layer keeps
    // the size it was given when the window opened: the player-2 turn is always a half turn.
    void draw();

    int highlighted() const { return highlighted_; }
    int firstVisible() const { return firstVisible_; }
    LayerId layer() const { return layer_; }

private:
    void place();
    void drawInto(Canvas& canvas);
    void render();

    PopupContext& context_;
    Menu& items_;
    MenuWindow* parent_;
    LayerId layer_ = 0;
    int highlighted_ = 0;
    int firstVisible_ = 0;
};

// Shows the entries in a menu window and runs its loop until a player leaves it (Exit) or the
// launcher is asked to quit. Presses made before it opened are forgotten. Returns false when
// there was nothing to show (an empty menu), true otherwise. GUI thread.
bool showMenuWindow(PopupContext& context, Menu& items, MenuWindow* parent = nullptr);
