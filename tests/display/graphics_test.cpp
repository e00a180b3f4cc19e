// The platform's graphics: fonts (pixel sizes, pinned metrics, substitution, fallback faces), the
// canvas's drawing, and the screens' layers, presentation and events.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <SDL.h>
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "platform/canvas.h"
#include "platform/font.h"
#include "platform/font_impl.h"
#include "platform/screen.h"
#include "support/golden.h"

// Pins the faces that stand in for characters Liberation Sans lacks, before anything in this
// executable asks fontconfig for a font.
static const bool fallbackPinned =
    setenv("FONTCONFIG_FILE", QUORVANE_SOURCE_DIR "/tests/fixtures/fonts/fonts.conf", 1) == 0;

TEST(Font, PixelHeightEscapementAndMetrics)
{
    for (auto [points, pixels] : {std::pair{18, 24}, {8, 11}, {1, 1}, {-4, 0}})  // rounded
        EXPECT_EQ(fontPixelHeight(points), pixels) << points;
    EXPECT_EQ(fontEscapement(180), -1800);
    EXPECT_EQ(fontEscapement(45), 0);  // no such orientation: upright
    auto font = Font::create("Liberation Sans", 18, 0, false);
    EXPECT_EQ(font->matchedFamily(), "Liberation Sans");
    EXPECT_EQ((std::vector<int>{font->pixelHeight(), font->ascent(), font->lineHeight()}),
              (std::vector<int>{24, 22, 28}));
    const int plain = font->textWidth("Galaga");
    EXPECT_GT(Font::create("Liberation Sans", 18, 0, true)->textWidth("Galaga"), plain);  // bold
    EXPECT_EQ(Font::create("Liberation Sans", 18, 90, false)->textWidth("Galaga"), plain);
    // Whole-pixel hinted advances (19.5 rounds up), no kerning: "AV" is as wide as A plus V.
    auto status = Font::create("Liberation Sans", 20, 0, false);
    EXPECT_EQ(status->textWidth("UUUU"), 80);
    EXPECT_EQ(status->textWidth("AV"), status->textWidth("A") + status->textWidth("V"));
}

// The options menu offers full names, sorted; each must open that very face, not its family's
// regular one (names longer than a family name may be are no exception).
TEST(Font, EveryListedNameOpensItsOwnFace)
{
    auto names = installedScalableFontNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    ASSERT_NE(std::find(names.begin(), names.end(), "Liberation Sans Narrow Bold Italic"),
              names.end());
    for (const std::string& name : names)
        EXPECT_EQ(Font::create(name, 12, 90, false)->matchedFullName(), name);
    // A family name still finds its regular face; the highlight is the family's bold italic.
    EXPECT_EQ(Font::create("DejaVu Serif", 12, 0, false)->matchedFullName(), "DejaVu Serif");
    EXPECT_EQ(Font::create("Liberation Serif Bold", 12, 0, true)->matchedFullName(),
              "Liberation Serif Bold Italic");
}

TEST(Font, BadFacesSizesAndTextsDoNotFail)
{
    auto missing = Font::create("No Such Face At All 123", 12, 0, false);  // substituted
    EXPECT_FALSE(missing->matchedFamily().empty());
    EXPECT_GT(missing->textWidth("abc"), 0);
    EXPECT_GE(Font::create("Liberation Sans", 0, 0, false)->lineHeight(), 1);  // never a divisor 0
    auto huge = Font::create("Liberation Sans", 400, 90, false);
    EXPECT_GT(huge->lineHeight(), 500);
    Canvas canvas(50, 50);
    canvas.drawText(25, 25, "Huge", *huge, 0);  // clipped to the canvas
    EXPECT_GT(missing->textWidth("bad \xC3\x28 utf8 \xFF"), 0);
    // What reaches Pango is valid UTF-8: every bad sequence becomes one U+FFFD, and valid ones at
    // the edges of each length (EF and F4 lead bytes) are kept.
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> texts[] = {
        {"a\xC3\xA9\xEF\xBC\xA1\xF4\x8F\xBF\xBF", "a\xC3\xA9\xEF\xBC\xA1\xF4\x8F\xBF\xBF"},
        {"\xC0\xAF|\xE0\x80\xAF|\xED\xA0\x80|\xF4\x90\x80\x80",
         r + r + "|" + r + r + r + "|" + r + r + r + "|" + r + r + r + r},
        {"\xF5\xE2\x82", r + r + r},
    };
    for (const auto& [text, expected] : texts) EXPECT_EQ(validUtf8(text), expected) << text;
}

// Text at its reference point in the four orientations (top-left of the line for 0, bottom-right
// for 180, top-right for 90, bottom-left for -90), with characters Liberation Sans lacks (a star,
// Chinese characters) from the pinned fallback faces on the same baseline.
TEST(Canvas, TextInEveryOrientationWithMissingCharactersFromAnotherFace)
{
    ASSERT_TRUE(fallbackPinned);
    const std::string title = "Galaxian \xE2\x98\x85 \xE9\x8A\x80\xE6\xB2\xB3";  // star, two Han
    Canvas canvas(360, 360);
    canvas.fillRect({0, 0, 360, 360}, 0xFFFFFF);
    struct {
        int orientation, x, y;
    } const placements[] = {{0, 40, 4}, {180, 320, 356}, {90, 356, 40}, {-90, 4, 320}};
    for (const auto& at : placements) {
        auto font = Font::create("Liberation Sans", 18, at.orientation, false);
        canvas.drawText(at.x, at.y, title, *font, 0x402000);
    }
    EXPECT_TRUE(matchesGolden(canvas, "text_fallback"));
}

// Saving and loading PNGs is exercised by every golden comparison.
TEST(Canvas, FillCopyAndOutline)
{
    Canvas canvas(40, 30);
    canvas.fillRect({5, 5, 15, 10}, 0x0000FF);       // COLORREF red; right and bottom exclusive
    canvas.fillRect({-10, -10, 1000, 2}, 0xFF0000);  // clipped
    EXPECT_EQ((std::vector{canvas.pixel(14, 9), canvas.pixel(15, 9), canvas.pixel(39, 1),
                           canvas.pixel(40, 1), canvas.pixel(0, 30)}),  // outside: none
              (std::vector{0xFFFF0000u, 0xFF000000u, 0xFF0000FFu, 0u, 0u}));
    Canvas target(20, 20);
    target.fillRect({0, 0, 20, 20}, 0x00FF00);
    target.copyFrom(canvas, {30, 0, 50, 10}, 0, 0);  // only pixels that exist are copied
    Canvas empty(-5, 10);                            // a canvas of no size ignores drawing
    empty.roundRectOutline(0, 0, 5, 5, 2, 2, 2, 0);
    target.copyFrom(empty, {0, 0, 10, 10}, 0, 0);
    EXPECT_EQ((std::vector{target.pixel(9, 5), target.pixel(10, 5), target.pixel(15, 15)}),
              (std::vector{0xFF000000u, 0xFF00FF00u, 0xFF00FF00u}));

    Canvas round(100, 100);
    round.fillRect({0, 0, 100, 100}, 0xFFFFFF);
    round.roundRectOutline(80, 90, 10, 10, 20, 20, 6, 0x0000FF);  // corners in any order
    // On the top edge; inside, hollow; the corner, rounded.
    EXPECT_EQ((std::vector{round.pixel(45, 10), round.pixel(45, 50), round.pixel(1, 1)}),
              (std::vector{0xFFFF0000u, 0xFFFFFFFFu, 0xFFFFFFFFu}));
}

TEST(LayerStack, CompositesInZOrderWholeOrInPart)
{
    FakeScreen screen(100, 80);
    screen.frame().fillRect({0, 0, 100, 80}, 0x0000FF);  // red
    const LayerId lower = screen.addLayer({10, 10, 60, 60});
    const LayerId upper = screen.addLayer({40, 40, 90, 70});
    screen.layerCanvas(lower)->fillRect({0, 0, 50, 50}, 0x00FF00);
    screen.layerCanvas(upper)->fillRect({0, 0, 50, 30}, 0xFF0000);
    screen.present();
    const Canvas& shown = screen.presented();
    // The upper layer covers the lower.
    EXPECT_EQ((std::vector{shown.pixel(20, 20), shown.pixel(50, 50)}),
              (std::vector{0xFF00FF00u, 0xFF0000FFu}));
    screen.raiseLayer(lower);
    screen.setLayerVisible(upper, false);
    screen.frame().fillRect({0, 0, 100, 80}, 0xFFFFFF);
    screen.presentArea({45, 45, 200, 55});  // only this part changes on the screen
    EXPECT_EQ((std::vector{shown.pixel(50, 50), shown.pixel(70, 50), shown.pixel(70, 60),
                           shown.pixel(5, 5)}),
              (std::vector{0xFF00FF00u, 0xFFFFFFFFu, 0xFF0000FFu, 0xFFFF0000u}));
    // A move to a new size gives a fresh canvas; layers off the screen are clipped.
    screen.moveLayer(upper, {-10, -10, 10, 10});
    EXPECT_EQ(screen.layerCanvas(upper)->pixel(0, 0), 0xFF000000u);
    screen.addLayer({90, 70, 200, 200});
    screen.addLayer({5, 5, 5, 5});
    screen.present();
    screen.presentArea({-50, -50, -10, -10});
    screen.removeLayer(upper);
    EXPECT_EQ(screen.layerCanvas(upper), nullptr);
}

// The real screen on SDL's dummy video driver (no X server needed). Events the screen posts
// itself are queued before the call returns; the waits' limits only bound a failing run.
TEST(SdlScreen, PresentsLayersAndPumpsEvents)
{
    if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string error;
    auto screen = createSdlScreen("Quorvane test", &error);
    ASSERT_TRUE(screen) << error;
    ASSERT_EQ(screen->frame().width(), screen->width());
    EXPECT_TRUE(screen->screenSaverAllowed());  // forbidden only while a game runs
    screen->frame().fillRect({0, 0, screen->width(), screen->height()}, 0x00FF00);
    const LayerId layer = screen->addLayer({10, 10, 30, 30});
    screen->layerCanvas(layer)->fillRect({0, 0, 20, 20}, 0x0000FF);
    screen->show();
    screen->present();
    screen->frame().fillRect({0, 0, 5, 5}, 0xFF0000);
    screen->presentArea({0, 0, 5, 5});
    screen->frame().fillRect({0, 0, 1, 1}, 0xFFFFFF);  // drawn, not presented
    TempFolder folder;
    ASSERT_TRUE(screen->saveScreenshot(folder.path("shot.png")));
    auto saved = Canvas::loadPng(folder.path("shot.png"));
    ASSERT_TRUE(saved);
    EXPECT_EQ((std::vector{saved->pixel(0, 0), saved->pixel(2, 2), saved->pixel(7, 7),
                           saved->pixel(15, 15)}),  // the screen's picture, read back
              (std::vector{0xFF0000FFu, 0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u}));

    auto next = [&](ScreenEventType type, int withinMs) -> std::optional<ScreenEvent> {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
        while (std::chrono::steady_clock::now() < end)
            if (auto event = screen->waitEvent(20); event && event->type == type) return event;
        return std::nullopt;
    };
    while (screen->pollEvent()) {  // the window system's own events (a repaint among them)
    }
    screen->requestRepaint();
    screen->requestRepaint();
    EXPECT_TRUE(next(ScreenEventType::Repaint, 30000));
    EXPECT_FALSE(next(ScreenEventType::Repaint, 100));  // one pending at most
    screen->startTimer(7, 10);
    const auto start = std::chrono::steady_clock::now();
    auto tick = screen->waitEvent(120000);  // sleeps until the timer wakes it, not to the end
    ASSERT_TRUE(tick);
    EXPECT_EQ(tick->timerId, 7);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    screen->stopTimer(7);  // a tick queued before the stop is dropped too
    EXPECT_FALSE(next(ScreenEventType::Timer, 100));
    std::thread audio([&] { screen->postFromAnyThread(ScreenEventType::MusicEnded); });
    audio.join();
    EXPECT_TRUE(next(ScreenEventType::MusicEnded, 30000));
    screen->suspendForChild();
    screen->resumeAfterChild();
    screen->present();
    // Keys arrive as the Windows virtual-key codes that the settings' key bindings hold.
    const std::tuple<SDL_Keycode, SDL_Scancode, int> keys[] = {
        {SDLK_a, SDL_SCANCODE_A, 65},           {SDLK_9, SDL_SCANCODE_9, 57},
        {SDLK_F12, SDL_SCANCODE_F12, 123},      {SDLK_KP_0, SDL_SCANCODE_KP_0, 96},
        {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},    {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 110},
        {SDLK_PAUSE, SDL_SCANCODE_PAUSE, 19},   {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 222},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},     {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 17},   {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 106},
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0}};
    for (const auto& [keycode, scancode, virtualKey] : keys) {
        SDL_Event key{};
        key.type = SDL_KEYUP;  // a key-up: F12 down would also save a screenshot
        key.key.keysym.sym = keycode;
        key.key.keysym.scancode = scancode;
        ASSERT_EQ(SDL_PushEvent(&key), 1);
        const auto event = next(ScreenEventType::KeyUp, 30000);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->virtualKey, virtualKey) << SDL_GetScancodeName(scancode);
    }
    screen->postQuit();
    EXPECT_TRUE(next(ScreenEventType::Quit, 30000));
}
