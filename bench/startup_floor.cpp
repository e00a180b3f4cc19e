// The floor under the launcher's start: the least a program must do to show a screen of text the
// way the launcher does. It opens the same window (borderless, desktop size, drawn through its
// window surface), finds a font through fontconfig and draws it with Cairo, writes 40 lines of
// text into an off-screen frame, copies it to the window and presents it once; then it writes
// its CPU time and peak memory on standard error in the launcher's "first-frame ..." form and
// ends. bench/startup compares the launcher's first browse frame with this.
//
// Usage: startup_floor [font family]   (default "Liberation Sans")
#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <sys/resource.h>

#include <SDL.h>

#include "platform/sdl_screen_x11.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct SdlVideo {
    bool started = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) == 0;
    ~SdlVideo()
    {
        if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    }
};
struct WindowDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};
struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FaceDeleter {
    void operator()(cairo_font_face_t* f) const { cairo_font_face_destroy(f); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

int fail(const char* what)
{
    std::fprintf(stderr, "startup_floor: %s: %s\n", what, SDL_GetError());
    return 1;
}

double cpuMs(const rusage& u)
{
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

long peakKb()
{
    long kb = 0;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld", &kb) == 1) break;
        std::fclose(status);
    }
    return kb;
}

std::unique_ptr<cairo_font_face_t, FaceDeleter> findFont(const std::string& family, int pixels)
{
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddDouble(pattern.get(), FC_PIXEL_SIZE, pixels);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, PatternDeleter> matched(FcFontMatch(nullptr, pattern.get(), &result));
    return std::unique_ptr<cairo_font_face_t, FaceDeleter>(
        cairo_ft_font_face_create_for_pattern(matched ? matched.get() : pattern.get()));
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string family = argc > 1 ? argv[1] : "Liberation Sans";
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SdlVideo video;
    if (!video.started) return fail("SDL video");
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return fail("desktop size");
    std::unique_ptr<SDL_Window, WindowDeleter> window(SDL_CreateWindow(
        "Startup floor", 0, 0, mode.w, mode.h, SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS));
    if (!window) return fail("window");
    SDL_ShowWindow(window.get());
    // As the launcher does: no full-screen request without a window manager, as nobody would
    // answer it and the window already covers the screen.
    if (!onX11WithoutWindowManager(window.get()))
        SDL_SetWindowFullscreen(window.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);

    // The off-screen frame, as the launcher composes one before copying it to the window.
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> frame(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, mode.w, mode.h));
    std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(frame.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const int pixels = 24;
    auto face = findFont(family, pixels);
    cairo_set_font_face(cr.get(), face.get());
    cairo_set_font_size(cr.get(), pixels);
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    for (int line = 0; line < 40; ++line) {
        char text[96];
        std::snprintf(text, sizeof text, "%02d  Game number %d of the floor list (1984, Maker)",
                      line + 1, line + 1);
        cairo_move_to(cr.get(), 20, 26.0 * (line + 1));
        cairo_show_text(cr.get(), text);
    }
    cairo_surface_flush(frame.get());

    SDL_Surface* surface = SDL_GetWindowSurface(window.get());
    if (!surface) return fail("window surface");
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return fail("lock");
    const int rows = std::min(mode.h, surface->h);
    const int bytes = std::min(mode.w, surface->w) * 4;
    const int stride = cairo_image_surface_get_stride(frame.get());
    const unsigned char* from = cairo_image_surface_get_data(frame.get());
    for (int y = 0; y < rows; ++y)
        std::memcpy(static_cast<unsigned char*>(surface->pixels) + y * surface->pitch,
                    from + y * stride, bytes);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (SDL_UpdateWindowSurface(window.get()) != 0) return fail("present");

    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::fprintf(stderr, "first-frame cpu_ms=%.1f children_cpu_ms=0.0 peak_kb=%ld\n", cpuMs(self),
                 peakKb());
    std::fflush(stderr);
    // Ends as the launcher's measured start does: at once, without the orderly teardown.
    std::_Exit(0);
}
