#include "platform/screen.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "display/display_fixture.h"

namespace {

std::optional<ScreenEvent> waitFor(Screen& screen, ScreenEventType type, int timeoutMs = 3000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        while (auto event = screen.pollEvent())
            if (event->type == type) return event;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
}

}  // namespace

TEST(LayerStack, CompositesInZOrder)
{
    FakeScreen screen(100, 80);
    screen.frame().fillRect({0, 0, 100, 80}, 0x0000FF);  // red
    const LayerId lower = screen.addLayer({10, 10, 60, 60});
    const LayerId upper = screen.addLayer({40, 40, 90, 70});
    EXPECT_NE(lower, upper);
    screen.layerCanvas(lower)->fillRect({0, 0, 50, 50}, 0x00FF00);
    screen.layerCanvas(upper)->fillRect({0, 0, 50, 30}, 0xFF0000);
    screen.present();
    const Canvas& shown = screen.presented();
    EXPECT_EQ(shown.pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(shown.pixel(20, 20), 0xFF00FF00u);
    EXPECT_EQ(shown.pixel(50, 50), 0xFF0000FFu);  // the upper layer covers the lower
    screen.raiseLayer(lower);
    screen.present();
    EXPECT_EQ(shown.pixel(50, 50), 0xFF00FF00u);
    screen.setLayerVisible(lower, false);
    screen.present();
    EXPECT_EQ(shown.pixel(20, 20), 0xFFFF0000u);
    EXPECT_EQ(shown.pixel(50, 50), 0xFF0000FFu);
    // Moving to a new size gives a fresh canvas; moving only keeps the pixels.
    screen.moveLayer(upper, {0, 0, 50, 30});
    EXPECT_EQ(screen.layerCanvas(upper)->pixel(0, 0), 0xFF0000FFu);
    screen.moveLayer(upper, {0, 0, 20, 20});
    EXPECT_EQ(screen.layerCanvas(upper)->width(), 20);
    EXPECT_EQ(screen.layerCanvas(upper)->pixel(0, 0), 0xFF000000u);
    // Layers partly or wholly off the screen are clipped, never a fault.
    screen.moveLayer(upper, {-10, -10, 10, 10});
    screen.addLayer({90, 70, 200, 200});
    screen.addLayer({500, 500, 510, 510});
    screen.addLayer({5, 5, 5, 5});
    screen.present();
    screen.removeLayer(upper);
    screen.removeLayer(upper);
    screen.moveLayer(12345, {0, 0, 1, 1});
    EXPECT_EQ(screen.layerCanvas(upper), nullptr);
    EXPECT_FALSE(screen.layerRect(upper));
}

TEST(FakeScreen, EventsTimersAndRepaints)
{
    FakeScreen screen(10, 10);
    EXPECT_FALSE(screen.pollEvent());
    screen.requestRepaint();
    screen.requestRepaint();  // at most one pending
    screen.push({ScreenEventType::KeyDown, 38, 0});
    EXPECT_EQ(screen.pollEvent()->type, ScreenEventType::Repaint);
    EXPECT_EQ(screen.pollEvent()->virtualKey, 38);
    EXPECT_FALSE(screen.pollEvent());
    EXPECT_FALSE(screen.fireTimer(1));
    screen.startTimer(1, 1000);
    EXPECT_TRUE(screen.fireTimer(1));
    EXPECT_EQ(screen.pollEvent()->timerId, 1);
    std::thread audio([&] { screen.postFromAnyThread(ScreenEventType::MusicEnded); });
    audio.join();
    EXPECT_EQ(screen.pollEvent()->type, ScreenEventType::MusicEnded);
}

// The real screen on SDL's dummy video driver (no X server needed).
TEST(SdlScreen, PresentsLayersAndPumpsEvents)
{
    if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string error;
    auto screen = createSdlScreen("Quorvane test", &error);
    ASSERT_TRUE(screen) << error;
    ASSERT_GT(screen->width(), 0);
    ASSERT_EQ(screen->frame().width(), screen->width());
    ASSERT_EQ(screen->frame().height(), screen->height());
    screen->frame().fillRect({0, 0, screen->width(), screen->height()}, 0x00FF00);
    const LayerId layer = screen->addLayer({10, 10, 30, 30});
    screen->layerCanvas(layer)->fillRect({0, 0, 20, 20}, 0x0000FF);
    screen->show();
    screen->present();

    TempFolder folder("screen");
    const std::string shot = folder.path + "/shot.png";
    ASSERT_TRUE(screen->saveScreenshot(shot));
    auto saved = Canvas::loadPng(shot);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->pixel(5, 5), 0xFF00FF00u);
    EXPECT_EQ(saved->pixel(15, 15), 0xFFFF0000u);

    // Let the window system's own events (exposure, focus) pass first.
    waitFor(*screen, ScreenEventType::Quit, 200);
    screen->requestRepaint();
    screen->requestRepaint();
    int repaints = 0;
    while (waitFor(*screen, ScreenEventType::Repaint, 100)) ++repaints;
    EXPECT_EQ(repaints, 1);

    screen->startTimer(7, 10);
    auto tick = waitFor(*screen, ScreenEventType::Timer);
    ASSERT_TRUE(tick);
    EXPECT_EQ(tick->timerId, 7);
    screen->stopTimer(7);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    while (screen->pollEvent()) {
    }
    EXPECT_FALSE(waitFor(*screen, ScreenEventType::Timer, 60));  // stopped for good

    std::thread audio([&] { screen->postFromAnyThread(ScreenEventType::MusicEnded); });
    audio.join();
    EXPECT_TRUE(waitFor(*screen, ScreenEventType::MusicEnded));

    screen->suspendForChild();
    screen->resumeAfterChild();
    screen->hideCursor();
    screen->showCursor();
    screen->setScreenSaverEnabled(false);
    screen->setScreenSaverEnabled(true);
    screen->postQuit();
    EXPECT_TRUE(waitFor(*screen, ScreenEventType::Quit));
}
