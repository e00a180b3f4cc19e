// The real screen on SDL2: one borderless window at the desktop size at (0, 0) (a full-screen
// desktop window may keep its created size when no window manager runs), its window surface
// the composited frame is copied to, and SDL's event queue as the pump. Our own events (timers,
// repaint requests, the audio thread's notes) travel through SDL_PushEvent, which is safe from
// any thread. On X11 the GUI thread waits on the window's connection and an eventfd that those
// threads write to, not in SDL's own wait: that wait has the posting thread wake it through a
// second X connection, and a thread that meets a lost server there holds SDL's wake-up lock while
// Xlib ends the process, so the GUI thread could neither quit in order nor save the settings.
//
// The frame is composed in software, so the window surface (shared memory with the X server)
// is the cheapest way to the display: a changed rectangle costs only its own pixels, where a
// renderer would upload and draw the whole frame (through a software OpenGL when there is no
// GPU) for every update. The frame and the layers are composed straight into that surface, so
// no second full-screen picture is kept; a screenshot reads the surface back.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <SDL.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>

#include "platform/file_descriptor.h"
#include "platform/screen.h"
#include "platform/sdl_screen_x11.h"

namespace {

constexpr int kJoystickPollMs = 20;  // the pace of the launcher's idle loop before waitEvent

std::atomic<int> exitStatusIfLostWhileClosing{0};

struct WindowDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};

int virtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode)
{
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return kVkF1 + (scancode - SDL_SCANCODE_F1);
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
        return kVkNumpad0 + 1 + (scancode - SDL_SCANCODE_KP_1);
    switch (scancode) {
        case SDL_SCANCODE_KP_0:
            return kVkNumpad0;
        case SDL_SCANCODE_KP_ENTER:
            return kVkReturn;
        case SDL_SCANCODE_KP_MULTIPLY:
            return kVkMultiply;
        case SDL_SCANCODE_KP_PLUS:
            return kVkAdd;
        case SDL_SCANCODE_KP_MINUS:
            return kVkSubtract;
        case SDL_SCANCODE_KP_PERIOD:
            return kVkDecimal;
        case SDL_SCANCODE_KP_DIVIDE:
            return kVkDivide;
        case SDL_SCANCODE_LEFT:
            return kVkLeft;
        case SDL_SCANCODE_UP:
            return kVkUp;
        case SDL_SCANCODE_RIGHT:
            return kVkRight;
        case SDL_SCANCODE_DOWN:
            return kVkDown;
        case SDL_SCANCODE_ESCAPE:
            return kVkEscape;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return kVkControl;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return kVkShift;
        case SDL_SCANCODE_LALT:
        case SDL_SCANCODE_RALT:
            return kVkMenu;
        case SDL_SCANCODE_RETURN:
            return kVkReturn;
        case SDL_SCANCODE_SPACE:
            return kVkSpace;
        case SDL_SCANCODE_BACKSPACE:
            return kVkBack;
        case SDL_SCANCODE_TAB:
            return kVkTab;
        case SDL_SCANCODE_PAUSE:
            return kVkPause;
        case SDL_SCANCODE_CAPSLOCK:
            return kVkCapital;
        case SDL_SCANCODE_PAGEUP:
            return kVkPrior;
        case SDL_SCANCODE_PAGEDOWN:
            return kVkNext;
        case SDL_SCANCODE_END:
            return kVkEnd;
        case SDL_SCANCODE_HOME:
            return kVkHome;
        case SDL_SCANCODE_INSERT:
            return kVkInsert;
        case SDL_SCANCODE_DELETE:
            return kVkDelete;
        case SDL_SCANCODE_SEMICOLON:
            return kVkOemSemicolon;
        case SDL_SCANCODE_EQUALS:
            return kVkOemPlus;
        case SDL_SCANCODE_COMMA:
            return kVkOemComma;
        case SDL_SCANCODE_MINUS:
            return kVkOemMinus;
        case SDL_SCANCODE_PERIOD:
            return kVkOemPeriod;
        case SDL_SCANCODE_SLASH:
            return kVkOemSlash;
        case SDL_SCANCODE_GRAVE:
            return kVkOemBacktick;
        case SDL_SCANCODE_LEFTBRACKET:
            return kVkOemOpenBracket;
        case SDL_SCANCODE_BACKSLASH:
            return kVkOemBackslash;
        case SDL_SCANCODE_RIGHTBRACKET:
            return kVkOemCloseBracket;
        case SDL_SCANCODE_APOSTROPHE:
            return kVkOemQuote;
        default:
            return 0;
    }
}

class SdlScreen final : public LayeredScreen {
public:
    ~SdlScreen() override;
    bool init(const std::string& title, std::string* error);

    void show() override;
    void present() override;
    void presentArea(const Rect& area) override;
    bool saveScreenshot(const std::string& path) override;
    std::optional<ScreenEvent> pollEvent() override;
    std::optional<ScreenEvent> waitEvent(int timeoutMs) override;
    void postFromAnyThread(ScreenEventType type) override { pushUser(type, 0); }
    void postQuit() override { pushUser(ScreenEventType::Quit, 0); }
    void requestRepaint() override;
    void startTimer(int id, int ms) override;
    void stopTimer(int id) override;
    void hideCursor() override { SDL_ShowCursor(SDL_DISABLE); }
    void showCursor() override { SDL_ShowCursor(SDL_ENABLE); }
    void setScreenSaverEnabled(bool enabled) override
    {
        enabled ? SDL_EnableScreenSaver() : SDL_DisableScreenSaver();
    }
    bool screenSaverAllowed() const override { return SDL_IsScreenSaverEnabled() == SDL_TRUE; }
    void suspendForChild() override;
    void resumeAfterChild() override;
    bool hasFocus() const override { return focused_; }

private:
    // One running timer. Entries live as long as the screen, so that a callback still running
    // on SDL's timer thread while the timer is stopped never touches freed memory.
    struct Timer {
        SdlScreen* screen = nullptr;
        int id = 0;
        SDL_TimerID sdlId = 0;
        std::atomic<bool> running{false};
        std::atomic<bool> pending{false};  // at most one Timer event per timer in the queue
    };
    static Uint32 onTimer(Uint32 interval, void* param);
    bool startVideo(std::string* error);
    static void onDisplayLost(void* screen);
    // After a change of the window's size: the frame at the new size.
    bool followWindowSize();
    void enterFullScreen();
    void leaveFullScreen();
    // The window surface when it holds the whole last presented frame in the frame's own
    // layout, else null.
    SDL_Surface* presentedSurface();
    void pushUser(ScreenEventType type, int timerId);
    // Until the X connection has input, another thread posts an event, or timeoutMs pass.
    void waitForConnectionOrPost(int timeoutMs);
    // Our event for an SDL event, nothing for one we do not pass on.
    std::optional<ScreenEvent> translate(const SDL_Event& event);

    bool videoStarted_ = false;
    std::unique_ptr<SDL_Window, WindowDeleter> window_;
    // The window surface last drawn to: a new one (after a change of size or full-screen state)
    // holds nothing yet, so the next update sends the whole frame.
    SDL_Surface* lastSurface_ = nullptr;
    bool surfaceStale_ = true;
    Uint32 userEvent_ = 0;
    std::atomic<bool> repaintPending_{false};
    std::vector<std::unique_ptr<Timer>> timers_;
    bool focused_ = false;
    bool shown_ = false;
    // The X server went away: nothing more is sent to it, and the launcher is asked to quit so
    // that it still saves its settings.
    std::atomic<bool> displayLost_{false};
    bool lossReported_ = false;
    // The window is being destroyed: a loss now would leave SDL waiting for ever for the
    // server's answer, so it ends the process instead.
    std::atomic<bool> closing_{false};
    std::string screenshotPath_;
    // On X11: the window's connection, and the eventfd that posting threads write to.
    int connectionFd_ = -1;
    std::optional<FileDescriptor> posted_;
};

SdlScreen::~SdlScreen()
{
    for (auto& timer : timers_)
        if (timer->running.exchange(false)) SDL_RemoveTimer(timer->sdlId);
    closing_ = true;
    if (!displayLost_) checkDisplayConnection(window_.get());
    if (displayLost_) {
        // Closing a window or a connection waits for the server's answer, which never comes:
        // both are left to the end of the process.
        (void)window_.release();
        return;
    }
    window_.reset();
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
}

bool SdlScreen::init(const std::string& title, std::string* error)
{
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + SDL_GetError();
        return false;
    };
    // The window surface straight from the windowing system, never an OpenGL texture behind it:
    // see the top of this file.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // SDL switches the screen saver off for as long as video runs; the launcher wants it only
    // while a game runs, so that a cabinet left browsing blanks as its owner configured.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (!startVideo(error)) return false;
    videoStarted_ = true;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return fail("desktop size");
    window_.reset(SDL_CreateWindow(title.c_str(), 0, 0, mode.w, mode.h,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS));
    if (!window_) return fail("window");
    userEvent_ = SDL_RegisterEvents(1);
    if (userEvent_ == static_cast<Uint32>(-1)) return fail("user events");
    frame_ = Canvas(mode.w, mode.h);
    watchForDisplayLoss(window_.get(), &SdlScreen::onDisplayLost, this);
    connectionFd_ = windowConnectionFd(window_.get());
    if (connectionFd_ >= 0) {
        posted_.emplace(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (posted_->get() < 0) posted_.reset();  // SDL's own wait then
    }
    SDL_StopTextInput();
    if (const char* path = std::getenv("QUORVANE_SCREENSHOT"); path && *path)
        screenshotPath_ = path;
    return true;
}

namespace {

// The launcher reads keys, never typed text, yet Xlib's input method, which SDL opens with its
// X11 video, first parses the locale's whole compose table: thousands of lines, a good part of
// the start-up. An empty table is named while video starts, unless the user named one; the
// name is removed afterwards so that the games started later see the environment unchanged.
class EmptyComposeTableWhileVideoStarts {
public:
    EmptyComposeTableWhileVideoStarts()
        : set_(std::getenv(kVariable) == nullptr && setenv(kVariable, "/dev/null", 0) == 0)
    {
    }
    ~EmptyComposeTableWhileVideoStarts()
    {
        if (set_) unsetenv(kVariable);
    }
    EmptyComposeTableWhileVideoStarts(const EmptyComposeTableWhileVideoStarts&) = delete;
    EmptyComposeTableWhileVideoStarts& operator=(const EmptyComposeTableWhileVideoStarts&) =
        delete;

private:
    static constexpr const char* kVariable = "XCOMPOSEFILE";
    bool set_;
};

}  // namespace

bool SdlScreen::startVideo(std::string* error)
{
    const EmptyComposeTableWhileVideoStarts noComposeTable;
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen && *chosen) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) == 0) return true;
        if (error) *error = std::string("SDL video (") + chosen + "): " + SDL_GetError();
        return false;
    }
    // Only drivers that put a picture on a display; SDL's own order would end with "offscreen"
    // and "dummy", which succeed with no display at all.
    std::string tried;
    for (const char* driver : {"x11", "wayland", "kmsdrm"}) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) == 0) return true;
        tried += std::string(tried.empty() ? "" : "; ") + driver + ": " + SDL_GetError();
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
    if (error) *error = "no display to show the launcher on (" + tried + ")";
    return false;
}

void SdlScreen::onDisplayLost(void* screen)
{
    // Inside Xlib, on whichever thread met the lost connection: only noted here; the next look
    // for an event turns it into a Quit.
    auto* self = static_cast<SdlScreen*>(screen);
    self->displayLost_ = true;
    if (self->closing_) {
        std::fflush(nullptr);
        std::_Exit(exitStatusIfLostWhileClosing.load());
    }
}

bool SdlScreen::followWindowSize()
{
    int w = 0, h = 0;
    SDL_GetWindowSize(window_.get(), &w, &h);
    if (w <= 0 || h <= 0 || (w == frame_.width() && h == frame_.height())) return false;
    frame_ = Canvas(w, h);
    surfaceStale_ = true;
    return true;
}

// Full screen over any desktop panels. Without a window manager (X started straight into the
// launcher) nobody would answer the request, which SDL waits for, and the borderless window of
// the desktop's size at 0,0 already covers the screen, so no request is made.
void SdlScreen::enterFullScreen()
{
    if (!onX11WithoutWindowManager(window_.get()))
        SDL_SetWindowFullscreen(window_.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// Gives the display mode back, for a child that wants its own.
void SdlScreen::leaveFullScreen()
{
    if (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN)
        SDL_SetWindowFullscreen(window_.get(), 0);
}

void SdlScreen::show()
{
    SDL_ShowWindow(window_.get());
    enterFullScreen();
    SDL_SetWindowPosition(window_.get(), 0, 0);
    SDL_RaiseWindow(window_.get());
    shown_ = true;
}

void SdlScreen::present() { presentArea(Rect{0, 0, frame_.width(), frame_.height()}); }

// The usual 32-bit X visual has the frame's own layout (its fourth byte is ignored), so the frame
// is composed into it as it is: SDL's general conversion costs several times as much, tens of
// milliseconds for a whole frame on a small cabinet PC.
bool hasFrameLayout(const SDL_Surface* surface)
{
    return surface->format->format == SDL_PIXELFORMAT_ARGB8888 ||
           surface->format->format == SDL_PIXELFORMAT_RGB888;
}

void SdlScreen::presentArea(const Rect& wanted)
{
    if (displayLost_) return;
    SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
    if (surface != lastSurface_) surfaceStale_ = true;
    lastSurface_ = surface;
    if (!surface) return;
    Rect area = surfaceStale_ ? Rect{0, 0, frame_.width(), frame_.height()} : wanted;
    // The surface may be smaller than the frame while the window manager resizes the window.
    area = Rect{std::max(area.left, 0), std::max(area.top, 0),
                std::min({area.right, frame_.width(), surface->w}),
                std::min({area.bottom, frame_.height(), surface->h})};
    if (area.empty()) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    uint8_t* to = static_cast<uint8_t*>(surface->pixels) +
                  static_cast<std::size_t>(area.top) * surface->pitch +
                  static_cast<std::size_t>(area.left) * surface->format->BytesPerPixel;
    int converted = 0;
    if (hasFrameLayout(surface)) {
        layers_.composite(frame_, area, to, static_cast<std::size_t>(surface->pitch));
    } else {
        // Another layout: the area is composed aside and converted.
        Canvas part(area.width(), area.height());
        layers_.composite(frame_, area, part.data(), static_cast<std::size_t>(part.stride()));
        converted =
            SDL_ConvertPixels(area.width(), area.height(), SDL_PIXELFORMAT_ARGB8888, part.data(),
                              part.stride(), surface->format->format, to, surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (converted != 0) return;
    const SDL_Rect rect{area.left, area.top, area.width(), area.height()};
    if (SDL_UpdateWindowSurfaceRects(window_.get(), &rect, 1) == 0) surfaceStale_ = false;
    if (!screenshotPath_.empty()) saveScreenshot(screenshotPath_);
}

SDL_Surface* SdlScreen::presentedSurface()
{
    SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
    if (!surface || surface != lastSurface_ || surfaceStale_ || !hasFrameLayout(surface) ||
        surface->w < frame_.width() || surface->h < frame_.height() || SDL_MUSTLOCK(surface))
        return nullptr;
    return surface;
}

bool SdlScreen::saveScreenshot(const std::string& path)
{
    Canvas shot(frame_.width(), frame_.height());
    if (shot.width() == 0) return false;
    SDL_Surface* surface = presentedSurface();
    if (!surface) {
        // Nothing whole on the screen yet: the picture as it would be presented now.
        layers_.composite(frame_, shot);
        return shot.savePng(path);
    }
    uint8_t* to = shot.data();
    const auto* from = static_cast<const uint8_t*>(surface->pixels);
    for (int y = 0; y < shot.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(to + static_cast<std::size_t>(y) * shot.stride());
        std::memcpy(row, from + static_cast<std::size_t>(y) * surface->pitch,
                    static_cast<std::size_t>(shot.width()) * 4);
        // The display ignores the fourth byte; a picture file needs it opaque.
        for (int x = 0; x < shot.width(); ++x) row[x] |= 0xFF000000u;
    }
    return shot.savePng(path);
}

void SdlScreen::pushUser(ScreenEventType type, int timerId)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = userEvent_;
    event.user.code = static_cast<Sint32>(type);
    event.user.data1 = nullptr;
    event.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(timerId));
    SDL_PushEvent(&event);
    if (posted_) {
        const uint64_t one = 1;
        // Fails only when the counter is full, which wakes the wait as well.
        [[maybe_unused]] const ssize_t written = ::write(posted_->get(), &one, sizeof one);
    }
}

void SdlScreen::requestRepaint()
{
    if (!repaintPending_.exchange(true)) pushUser(ScreenEventType::Repaint, 0);
}

Uint32 SdlScreen::onTimer(Uint32 interval, void* param)
{
    auto* timer = static_cast<Timer*>(param);
    if (!timer->running.load()) return 0;
    if (!timer->pending.exchange(true)) timer->screen->pushUser(ScreenEventType::Timer, timer->id);
    return interval;
}

void SdlScreen::startTimer(int id, int ms)
{
    stopTimer(id);
    auto timer = std::make_unique<Timer>();
    timer->screen = this;
    timer->id = id;
    timer->running = true;
    timer->sdlId =
        SDL_AddTimer(static_cast<Uint32>(ms > 0 ? ms : 1), &SdlScreen::onTimer, timer.get());
    if (timer->sdlId == 0) return;
    timers_.push_back(std::move(timer));
}

void SdlScreen::stopTimer(int id)
{
    for (auto& timer : timers_)
        if (timer->id == id && timer->running.exchange(false)) SDL_RemoveTimer(timer->sdlId);
}

std::optional<ScreenEvent> SdlScreen::translate(const SDL_Event& event)
{
    if (event.type == userEvent_) {
        auto type = static_cast<ScreenEventType>(event.user.code);
        int timerId = static_cast<int>(reinterpret_cast<intptr_t>(event.user.data2));
        if (type == ScreenEventType::Repaint) repaintPending_ = false;
        if (type == ScreenEventType::Timer) {
            bool live = false;
            for (auto& timer : timers_) {
                if (timer->id == timerId && timer->running) {
                    timer->pending = false;
                    live = true;
                }
            }
            if (!live) return std::nullopt;  // stopped after the event was queued
        }
        return ScreenEvent{type, 0, timerId};
    }
    switch (event.type) {
        case SDL_QUIT:
            return ScreenEvent{ScreenEventType::Quit, 0, 0};
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // Auto-repeat is not a new press: the keyboard state counts presses itself.
            if (event.key.repeat) return std::nullopt;
            int vk = virtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
            bool down = event.type == SDL_KEYDOWN;
            if (down && vk == kVkF12)
                saveScreenshot(screenshotPath_.empty() ? "quorvane-screenshot.png"
                                                       : screenshotPath_);
            return ScreenEvent{down ? ScreenEventType::KeyDown : ScreenEventType::KeyUp, vk, 0};
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    focused_ = true;
                    return ScreenEvent{ScreenEventType::FocusGained, 0, 0};
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    focused_ = false;
                    return ScreenEvent{ScreenEventType::FocusLost, 0, 0};
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    surfaceStale_ = true;
                    if (followWindowSize()) return ScreenEvent{ScreenEventType::Resized, 0, 0};
                    return ScreenEvent{ScreenEventType::Repaint, 0, 0};
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_RESTORED:
                    surfaceStale_ = true;
                    return ScreenEvent{ScreenEventType::Repaint, 0, 0};
                default:
                    return std::nullopt;
            }
        default:
            return std::nullopt;
    }
}

std::optional<ScreenEvent> SdlScreen::pollEvent()
{
    if (displayLost_ && !lossReported_) {
        lossReported_ = true;
        return ScreenEvent{ScreenEventType::Quit, 0, 0};
    }
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (auto translated = translate(event)) return translated;
    return std::nullopt;
}

std::optional<ScreenEvent> SdlScreen::waitEvent(int timeoutMs)
{
    if (auto event = pollEvent()) return event;
    if (timeoutMs <= 0) return std::nullopt;
    const Uint64 deadline = SDL_GetTicks64() + static_cast<Uint64>(timeoutMs);
    for (;;) {
        const Uint64 now = SDL_GetTicks64();
        if (now >= deadline) return std::nullopt;
        const int left = static_cast<int>(deadline - now);
        if (SDL_WasInit(SDL_INIT_JOYSTICK) && SDL_NumJoysticks() > 0) {
            // Joysticks are read by polling, and SDL's own wait would then poll every
            // millisecond: poll at the pace the main loop always had instead.
            SDL_Delay(static_cast<Uint32>(std::min(left, kJoystickPollMs)));
            if (auto event = pollEvent()) return event;
            continue;
        }
        if (posted_) {
            // Requests sent and Xlib's queue emptied into SDL's, so that the wait sees only
            // what is new; SDL's poll sentinel is not an event.
            SDL_PumpEvents();
            if (!SDL_HasEvents(SDL_FIRSTEVENT, SDL_POLLSENTINEL - 1) &&
                !SDL_HasEvents(SDL_POLLSENTINEL + 1, SDL_LASTEVENT))
                waitForConnectionOrPost(left);
            if (auto event = pollEvent()) return event;
            continue;
        }
        SDL_Event event;
        // Blocks in the windowing system's connection; SDL_PushEvent from a timer or the audio
        // thread wakes it.
        if (!SDL_WaitEventTimeout(&event, left)) return pollEvent();
        if (auto translated = translate(event)) return translated;
    }
}

void SdlScreen::waitForConnectionOrPost(int timeoutMs)
{
    pollfd fds[2] = {{posted_->get(), POLLIN, 0}, {connectionFd_, POLLIN, 0}};
    // A lost connection reads as ready for ever: then only a post or the time ends the wait.
    const nfds_t count = displayLost_ ? 1 : 2;
    if (::poll(fds, count, timeoutMs) > 0 && (fds[0].revents & POLLIN)) {
        uint64_t posts = 0;
        [[maybe_unused]] const ssize_t read = ::read(posted_->get(), &posts, sizeof posts);
    }
}

void SdlScreen::suspendForChild()
{
    // Hiding and showing the window wait for the server's answer: with the server gone they
    // would wait for ever, so the connection is checked first and a lost one left alone.
    checkDisplayConnection(window_.get());
    if (displayLost_) return;
    SDL_SetWindowGrab(window_.get(), SDL_FALSE);
    leaveFullScreen();
    SDL_MinimizeWindow(window_.get());
    SDL_HideWindow(window_.get());
    focused_ = false;
}

void SdlScreen::resumeAfterChild()
{
    checkDisplayConnection(window_.get());
    if (displayLost_) return;
    SDL_ShowWindow(window_.get());
    SDL_RestoreWindow(window_.get());
    if (shown_) enterFullScreen();
    SDL_SetWindowPosition(window_.get(), 0, 0);
    SDL_RaiseWindow(window_.get());
    SDL_SetWindowInputFocus(window_.get());
    SDL_StopTextInput();
    // Presses made while the child ran are not ours.
    SDL_FlushEvents(SDL_KEYDOWN, SDL_KEYUP);
    SDL_PumpEvents();
    surfaceStale_ = true;
    focused_ = (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

}  // namespace

std::unique_ptr<Screen> createSdlScreen(const std::string& title, std::string* error)
{
    auto screen = std::make_unique<SdlScreen>();
    if (!screen->init(title, error)) return nullptr;
    return screen;
}

void announceReadyIfAsked()
{
    const char* path = std::getenv("QUORVANE_READY_FILE");
    if (!path || !*path) return;
    if (std::FILE* f = std::fopen(path, "w")) std::fclose(f);
}

void exitAfterFirstFrameIfAsked()
{
    const char* asked = std::getenv("QUORVANE_EXIT_AFTER_FIRST_FRAME");
    if (!asked || std::strcmp(asked, "1") != 0) return;
    auto ms = [](const rusage& u) {
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
               (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    };
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    // The peak of this process alone: ru_maxrss of a waiting parent would include the children.
    long peakKb = self.ru_maxrss;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld", &peakKb) == 1) break;
        std::fclose(status);
    }
    std::fprintf(stderr, "first-frame cpu_ms=%.1f children_cpu_ms=%.1f peak_kb=%ld\n", ms(self),
                 ms(children), peakKb);
    std::fflush(stderr);
    std::_Exit(0);
}

void setExitStatusIfDisplayLostWhileClosing(int status) { exitStatusIfLostWhileClosing = status; }
