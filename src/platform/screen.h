// The one full-screen window of the launcher. The main frame and the pop-up windows (menu,
// message, information) are layers, each with its own canvas and a rectangle in screen
// coordinates; present() puts the main frame and then the visible layers, in z-order, on the
// screen in one go. The event pump hands out one event at a time; pollEvent() never blocks,
// waitEvent() sleeps until an event comes or its time is up.
//
// Screenshots: when the environment variable QUORVANE_SCREENSHOT names a file, the real screen
// writes every presented frame there as PNG; F12 writes the current frame to
// "quorvane-screenshot.png" in the working directory (or to QUORVANE_SCREENSHOT when set).
// saveScreenshot() does the same on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/rect.h"

enum class ScreenEventType {
    KeyDown,
    KeyUp,
    FocusGained,
    FocusLost,
    Timer,
    Quit,
    Repaint,
    MusicEnded,
    // The screen changed size (a display mode change): the frame is a new canvas of the new
    // size, blank until composed again.
    Resized,
};

struct ScreenEvent {
    ScreenEventType type = ScreenEventType::Repaint;
    int virtualKey = 0;  // Windows virtual-key code for KeyDown/KeyUp, 0 when unknown
    int timerId = 0;     // for Timer
};

// Windows virtual-key codes the translation produces (besides '0'-'9' = 48-57 and
// 'A'-'Z' = 65-90).
enum VirtualKey : int {
    kVkBack = 8,
    kVkTab = 9,
    kVkReturn = 13,
    kVkShift = 16,
    kVkControl = 17,
    kVkMenu = 18,  // Alt
    kVkPause = 19,
    kVkCapital = 20,
    kVkEscape = 27,
    kVkSpace = 32,
    kVkPrior = 33,  // Page Up
    kVkNext = 34,   // Page Down
    kVkEnd = 35,
    kVkHome = 36,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkInsert = 45,
    kVkDelete = 46,
    kVkNumpad0 = 96,  // 96-105: keypad digits
    kVkMultiply = 106,
    kVkAdd = 107,
    kVkSubtract = 109,
    kVkDecimal = 110,
    kVkDivide = 111,
    kVkF1 = 112,  // 112-123: F1-F12
    kVkF12 = 123,
    kVkOemSemicolon = 186,
    kVkOemPlus = 187,
    kVkOemComma = 188,
    kVkOemMinus = 189,
    kVkOemPeriod = 190,
    kVkOemSlash = 191,
    kVkOemBacktick = 192,
    kVkOemOpenBracket = 219,
    kVkOemBackslash = 220,
    kVkOemCloseBracket = 221,
    kVkOemQuote = 222,
};

using LayerId = int;

class Screen {
public:
    virtual ~Screen() = default;

    // Size of the screen (and of the main frame) in pixels.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // The main frame, composed off screen by the display code. Same size as the screen.
    virtual Canvas& frame() = 0;

    // Adds a visible layer on top of all others, with a canvas of the rectangle's size (opaque
    // black until drawn). Returns its id (never 0). GUI thread, as every call below except
    // postFromAnyThread().
    virtual LayerId addLayer(const Rect& rect) = 0;
    // Moves and resizes a layer; when the size changes the canvas is replaced by a new one
    // (opaque black). Unknown ids are ignored.
    virtual void moveLayer(LayerId id, const Rect& rect) = 0;
    virtual void setLayerVisible(LayerId id, bool visible) = 0;
    // Puts the layer above all others.
    virtual void raiseLayer(LayerId id) = 0;
    virtual void removeLayer(LayerId id) = 0;
    // The layer's canvas, null for an unknown id. Valid until the layer is moved to a new size
    // or removed.
    virtual Canvas* layerCanvas(LayerId id) = 0;
    virtual std::optional<Rect> layerRect(LayerId id) const = 0;

    // Shows the window (maximised, on top) the first time; it is created hidden.
    virtual void show() = 0;
    // Composites the frame and the visible layers and puts the result on the screen.
    virtual void present() = 0;
    // Like present() when only `area` (screen pixels) changed since the last present: only that
    // part is composited and sent to the display, which keeps a once-a-second bar update cheap.
    virtual void presentArea(const Rect& area) = 0;
    // Writes the composited picture of the last present() (or of now when nothing was presented)
    // as PNG; false on failure.
    virtual bool saveScreenshot(const std::string& path) = 0;

    // The next pending event, or nothing at once when there is none.
    virtual std::optional<ScreenEvent> pollEvent() = 0;
    // The next event, waiting for one up to timeoutMs milliseconds (0 or less: not at all);
    // nothing when none came in time. Sleeps in the kernel rather than polling, so an idle
    // launcher wakes only for its own ticks.
    virtual std::optional<ScreenEvent> waitEvent(int timeoutMs) = 0;
    // Queues an event of the given type (no key, no timer). Safe from any thread: the audio
    // thread posts MusicEnded this way.
    virtual void postFromAnyThread(ScreenEventType type) = 0;
    // Queues a Quit event.
    virtual void postQuit() = 0;
    // Queues a Repaint event (at most one pending at a time).
    virtual void requestRepaint() = 0;
    // Starts (or restarts) a periodic timer that queues a Timer event with `id` every `ms`
    // milliseconds; stopTimer ends it. Ids are the caller's.
    virtual void startTimer(int id, int ms) = 0;
    virtual void stopTimer(int id) = 0;

    virtual void hideCursor() = 0;
    virtual void showCursor() = 0;
    // Allows or forbids the desktop's screen saver / display blanking. It is allowed from the
    // start: the launcher forbids it only while a game runs.
    virtual void setScreenSaverEnabled(bool enabled) = 0;
    virtual bool screenSaverAllowed() const = 0;
    // Around running the emulator: suspendForChild() gets out of the child's way (window hidden,
    // input grabs released); resumeAfterChild() raises the window and takes focus and keyboard
    // back.
    virtual void suspendForChild() = 0;
    virtual void resumeAfterChild() = 0;
    virtual bool hasFocus() const = 0;
};

// One layer as the compositor sees it.
struct ScreenLayer {
    LayerId id = 0;
    Rect rect;
    bool visible = true;
    Canvas canvas;
};

// The layers and the composition shared by the real screen and the fake: the frame, then each
// visible layer in z-order (first = bottom), clipped to the output.
class LayerStack {
public:
    LayerId add(const Rect& rect);
    void move(LayerId id, const Rect& rect);
    void setVisible(LayerId id, bool visible);
    void raise(LayerId id);
    void remove(LayerId id);
    Canvas* canvas(LayerId id);
    std::optional<Rect> rect(LayerId id) const;
    const std::vector<ScreenLayer>& layers() const { return layers_; }
    // Writes frame + visible layers into `out` (which must be the frame's size), within `area`
    // only (clipped to the frame).
    void composite(const Canvas& frame, Canvas& out) const;
    void composite(const Canvas& frame, Canvas& out, const Rect& area) const;
    // The same into raw 32-bit pixels in the frame's layout: `area` must lie within the frame,
    // `pixels` is where its top-left pixel goes and rows are `stride` bytes apart. Lets the real
    // screen compose straight into the window's own memory.
    void composite(const Canvas& frame, const Rect& area, uint8_t* pixels,
                   std::size_t stride) const;

private:
    ScreenLayer* find(LayerId id);
    std::vector<ScreenLayer> layers_;
    LayerId nextId_ = 1;
};

// A screen that keeps its frame and layers in memory and composites them itself: the real
// screen and the fake differ only in where the composited picture goes and where events come
// from.
class LayeredScreen : public Screen {
public:
    int width() const override { return frame_.width(); }
    int height() const override { return frame_.height(); }
    Canvas& frame() override { return frame_; }
    LayerId addLayer(const Rect& rect) override { return layers_.add(rect); }
    void moveLayer(LayerId id, const Rect& rect) override { layers_.move(id, rect); }
    void setLayerVisible(LayerId id, bool visible) override { layers_.setVisible(id, visible); }
    void raiseLayer(LayerId id) override { layers_.raise(id); }
    void removeLayer(LayerId id) override { layers_.remove(id); }
    Canvas* layerCanvas(LayerId id) override { return layers_.canvas(id); }
    std::optional<Rect> layerRect(LayerId id) const override { return layers_.rect(id); }

protected:
    LayeredScreen() = default;
    LayeredScreen(int width, int height) : frame_(width, height) {}

    Canvas frame_;
    LayerStack layers_;
};

// A screen without a window, for tests: events are scripted with push(), timers fire only when
// the test calls fireTimer(), and present() composes into presented() so that a test can look at
// what would be on the screen.
class FakeScreen final : public LayeredScreen {
public:
    FakeScreen(int width, int height);

    void show() override { shown = true; }
    void present() override;
    void presentArea(const Rect& area) override;
    bool saveScreenshot(const std::string& path) override;
    std::optional<ScreenEvent> pollEvent() override;
    // Never sleeps: when no event is queued it calls whenIdle (if set) with the timeout, so a
    // test can advance its clock, then looks once more.
    std::optional<ScreenEvent> waitEvent(int timeoutMs) override;
    void postFromAnyThread(ScreenEventType type) override;
    void postQuit() override { postFromAnyThread(ScreenEventType::Quit); }
    void requestRepaint() override;
    void startTimer(int id, int ms) override { timers[id] = ms; }
    void stopTimer(int id) override { timers.erase(id); }
    void hideCursor() override { cursorVisible = false; }
    void showCursor() override { cursorVisible = true; }
    void setScreenSaverEnabled(bool enabled) override { screenSaverEnabled = enabled; }
    bool screenSaverAllowed() const override { return screenSaverEnabled; }
    void suspendForChild() override;
    void resumeAfterChild() override;
    bool hasFocus() const override { return focused; }

    // Test controls.
    void push(const ScreenEvent& event);
    // Gives the screen a new size, as a display mode change does: a new frame, and a Resized
    // event queued.
    void resize(int width, int height);
    // Queues a Timer event for a running timer; false when no timer with that id runs.
    bool fireTimer(int id);
    const Canvas& presented() const { return presented_; }
    const LayerStack& layerStack() const { return layers_; }

    int presentCount = 0;  // present() and presentArea() calls
    std::optional<Rect> lastPresentArea;  // of the last presentArea(); reset by present()
    std::function<void(int timeoutMs)> whenIdle;
    int suspendCount = 0;
    int resumeCount = 0;
    bool shown = false;
    bool focused = true;
    bool cursorVisible = true;
    bool screenSaverEnabled = true;
    std::map<int, int> timers;  // id -> period in ms

private:
    Canvas presented_;
    std::mutex mutex_;
    std::deque<ScreenEvent> queue_;
};

// The real screen: an SDL window at the desktop size at (0, 0), created hidden. Returns null
// with a message in *error when SDL's video cannot start. Only a real display counts (X11,
// Wayland, KMS): SDL would otherwise fall back to a driver without output, and a launcher nobody
// can see would run on. A driver named in SDL_VIDEODRIVER is used as asked (tests ask for
// "dummy"). GUI thread.
std::unique_ptr<Screen> createSdlScreen(const std::string& title, std::string* error);

// The exit status the process ends with when the X server goes away while the real screen is
// being destroyed: closing a window waits for the server's answer, which then never comes, so
// the process ends at once (everything else has been done by then). Set it before destroying
// the screen; 0 until set.
void setExitStatusIfDisplayLostWhileClosing(int status);

// For the start-up benchmark: when QUORVANE_EXIT_AFTER_FIRST_FRAME=1, writes the process's CPU
// time (its own and its finished children's) and peak memory to standard error as one
// "first-frame ..." line and ends the process at once; otherwise does nothing.
void exitAfterFirstFrameIfAsked();

// For scripts that drive the launcher: when QUORVANE_READY_FILE names a file, creates it once
// start-up is over and the launcher takes input, so that a script never types into start-up.
void announceReadyIfAsked();
