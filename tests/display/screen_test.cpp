#include "platform/screen.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "display/display_fixture.h"

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
    EXPECT_EQ(shown.pixel(20, 20), 0xFF00FF00u);
    EXPECT_EQ(shown.pixel(50, 50), 0xFF0000FFu);  // the upper layer covers the lower
    screen.raiseLayer(lower);
    screen.setLayerVisible(upper, false);
    screen.frame().fillRect({0, 0, 100, 80}, 0xFFFFFF);
    screen.presentArea({45, 45, 200, 55});  // only this part changes on the screen
    EXPECT_EQ(shown.pixel(50, 50), 0xFF00FF00u);
    EXPECT_EQ(shown.pixel(70, 50), 0xFFFFFFFFu);
    EXPECT_EQ(shown.pixel(70, 60), 0xFF0000FFu);
    EXPECT_EQ(shown.pixel(5, 5), 0xFFFF0000u);
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

// The real screen on SDL's dummy video driver (no X server needed).
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
    TempFolder folder("screen");
    ASSERT_TRUE(screen->saveScreenshot(folder.path + "/shot.png"));
    auto saved = Canvas::loadPng(folder.path + "/shot.png");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->pixel(0, 0), 0xFF0000FFu);  // the screen's picture, read back
    EXPECT_EQ(saved->pixel(2, 2), 0xFF0000FFu);
    EXPECT_EQ(saved->pixel(7, 7), 0xFF00FF00u);
    EXPECT_EQ(saved->pixel(15, 15), 0xFFFF0000u);

    auto next = [&](ScreenEventType type, int withinMs) -> std::optional<ScreenEvent> {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
        while (std::chrono::steady_clock::now() < end)
            if (auto event = screen->waitEvent(20); event && event->type == type) return event;
        return std::nullopt;
    };
    next(ScreenEventType::Quit, 200);  // the window system's own events pass first
    screen->requestRepaint();
    screen->requestRepaint();
    EXPECT_TRUE(next(ScreenEventType::Repaint, 100));
    EXPECT_FALSE(next(ScreenEventType::Repaint, 100));  // one pending at most
    screen->startTimer(7, 10);
    const auto start = std::chrono::steady_clock::now();
    auto tick = screen->waitEvent(2000);  // sleeps until the timer wakes it
    ASSERT_TRUE(tick);
    EXPECT_EQ(tick->timerId, 7);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    screen->stopTimer(7);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    while (screen->pollEvent()) {
    }
    EXPECT_FALSE(next(ScreenEventType::Timer, 60));  // stopped for good
    std::thread audio([&] { screen->postFromAnyThread(ScreenEventType::MusicEnded); });
    audio.join();
    EXPECT_TRUE(next(ScreenEventType::MusicEnded, 3000));
    screen->suspendForChild();
    screen->resumeAfterChild();
    screen->present();
    screen->postQuit();
    EXPECT_TRUE(next(ScreenEventType::Quit, 3000));
}
