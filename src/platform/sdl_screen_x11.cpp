#include "platform/sdl_screen_x11.h"

#include <chrono>
#include <memory>
#include <thread>

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>

namespace {

struct Watch {
    void (*onLost)(void*) = nullptr;
    void* data = nullptr;
};
// One window, one watch; it lives as long as the process, as Xlib may call it until the end.
Watch watch;

constexpr int kGraceSeconds = 10;

Display* watchedDisplay = nullptr;

// Xlib's own handler ends the process; this one returns, so that Xlib goes on to the display's
// exit handler, which on the window's connection returns too. SDL keeps a second connection of
// its own, which a posting thread uses to wake SDL's event wait; the screen waits on its own
// eventfd instead, so that connection is met only when no eventfd could be made. Its exit
// handler is Xlib's, which ends the process once this returns, so that thread is held back for
// a while for the GUI thread, told of the loss, to quit in order and save the settings first.
int onIoError(Display* display)
{
    if (display != watchedDisplay) {
        if (watch.onLost) watch.onLost(watch.data);
        std::this_thread::sleep_for(std::chrono::seconds(kGraceSeconds));
    }
    return 0;
}

// The window's connection is lost; Xlib then refuses every further request on it quietly. The
// callback only notes the loss: it must not talk to Xlib from inside Xlib.
void onIoErrorExit(Display*, void*)
{
    if (watch.onLost) watch.onLost(watch.data);
}

// Calls use(display, xlib) with the window's X connection and the Xlib that SDL loaded itself
// (its functions are looked up by name, so that an older Xlib merely lacks what it lacks).
// Does nothing when the window is not on X11.
template <typename Use>
void withWindowXlib(SDL_Window* window, Use use)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xlib) return;
    use(info.info.x11.display, xlib);
    dlclose(xlib);
}

// The Xlib functions the window manager check needs, looked up by name like the others.
struct PropertyCalls {
    using InternAtom = Atom (*)(Display*, const char*, Bool);
    using GetWindowProperty = int (*)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*,
                                      unsigned long*, unsigned long*, unsigned char**);
    using Free = int (*)(void*);
    using Sync = int (*)(Display*, Bool);
    using ErrorHandler = int (*)(Display*, XErrorEvent*);
    using SetErrorHandler = ErrorHandler (*)(ErrorHandler);

    InternAtom internAtom = nullptr;
    GetWindowProperty getWindowProperty = nullptr;
    Free free = nullptr;
    Sync sync = nullptr;
    SetErrorHandler setErrorHandler = nullptr;

    explicit PropertyCalls(void* xlib)
        : internAtom(reinterpret_cast<InternAtom>(dlsym(xlib, "XInternAtom"))),
          getWindowProperty(reinterpret_cast<GetWindowProperty>(dlsym(xlib, "XGetWindowProperty"))),
          free(reinterpret_cast<Free>(dlsym(xlib, "XFree"))),
          sync(reinterpret_cast<Sync>(dlsym(xlib, "XSync"))),
          setErrorHandler(reinterpret_cast<SetErrorHandler>(dlsym(xlib, "XSetErrorHandler")))
    {
    }
    bool complete() const
    {
        return internAtom && getWindowProperty && free && sync && setErrorHandler;
    }
};

int ignoreError(Display*, XErrorEvent*) { return 0; }

// Xlib's default handler ends the process on any error; a check window named by a window manager
// that has since ended is no longer there, which only means that none runs.
class IgnoredErrors {
public:
    IgnoredErrors(Display* display, const PropertyCalls& x) : x_(x)
    {
        // Errors of earlier requests still go to the handler they were meant for.
        x_.sync(display, False);
        previous_ = x_.setErrorHandler(&ignoreError);
    }
    ~IgnoredErrors() { x_.setErrorHandler(previous_); }
    IgnoredErrors(const IgnoredErrors&) = delete;
    IgnoredErrors& operator=(const IgnoredErrors&) = delete;

private:
    const PropertyCalls& x_;
    PropertyCalls::ErrorHandler previous_ = nullptr;
};

// The window that `owner`'s `property` names, or None when it names none (or `owner` is gone).
Window namedWindow(Display* display, Window owner, Atom property, const PropertyCalls& x)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    const bool read = x.getWindowProperty(display, owner, property, 0, 1, False, XA_WINDOW, &type,
                                          &format, &count, &left, &data) == Success;
    const std::unique_ptr<unsigned char, PropertyCalls::Free> owned(data, x.free);
    if (!read || !data || type != XA_WINDOW || format != 32 || count != 1) return None;
    // Xlib hands 32-bit items over as longs.
    return static_cast<Window>(*reinterpret_cast<const unsigned long*>(data));
}

bool windowManagerRuns(Display* display, const PropertyCalls& x)
{
    const Atom check = x.internAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    const IgnoredErrors ignored(display, x);
    const Window named = namedWindow(display, DefaultRootWindow(display), check, x);
    return named != None && namedWindow(display, named, check, x) == named;
}

}  // namespace
#endif

bool onX11WithoutWindowManager(SDL_Window* window)
{
    bool without = false;
#if defined(SDL_VIDEO_DRIVER_X11)
    withWindowXlib(window, [&without](Display* display, void* xlib) {
        const PropertyCalls x(xlib);
        without = x.complete() && !windowManagerRuns(display, x);
    });
#else
    (void)window;
#endif
    return without;
}

int windowConnectionFd(SDL_Window* window)
{
    int fd = -1;
#if defined(SDL_VIDEO_DRIVER_X11)
    withWindowXlib(window, [&fd](Display* display, void*) { fd = ConnectionNumber(display); });
#else
    (void)window;
#endif
    return fd;
}

void checkDisplayConnection(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    // XSync gives up when the connection is lost, where SDL's waits for a window to be mapped
    // or unmapped would go on for ever.
    withWindowXlib(window, [](Display* display, void* xlib) {
        using Sync = int (*)(Display*, int);
        if (auto sync = reinterpret_cast<Sync>(dlsym(xlib, "XSync"))) sync(display, 0);
    });
#else
    (void)window;
#endif
}

void watchForDisplayLoss(SDL_Window* window, void (*onLost)(void* data), void* data)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    // An Xlib without the exit handler merely keeps its old behaviour.
    withWindowXlib(window, [onLost, data](Display* display, void* xlib) {
        using SetExitHandler = void (*)(Display*, void (*)(Display*, void*), void*);
        using SetHandler = int (*(*)(int (*)(Display*)))(Display*);
        auto setExit = reinterpret_cast<SetExitHandler>(dlsym(xlib, "XSetIOErrorExitHandler"));
        auto setHandler = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetIOErrorHandler"));
        if (!setExit || !setHandler) return;
        watch = Watch{onLost, data};
        watchedDisplay = display;
        setHandler(&onIoError);
        setExit(display, &onIoErrorExit, nullptr);
    });
#else
    (void)window;
    (void)onLost;
    (void)data;
#endif
}
