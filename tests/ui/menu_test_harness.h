// A pop-up context on a fake screen with a hand-driven clock and scripted keys, shared by the
// menu and information window tests.
#pragma once

#include <set>
#include <vector>

#include "config/settings.h"
#include "display/font_cache.h"
#include "platform/clock.h"
#include "platform/screen.h"
#include "ui/popup_loop.h"

struct PopupHarness {
    explicit PopupHarness(int width = 1024, int height = 768) : screen(width, height)
    {
        settings.Fontface = "Liberation Sans";
        settings.StatusBarFontFace = "Liberation Sans";
    }

    // Keys held in each tick, in order. A tick starts when the first key every tick asks for
    // (player 1's SelectUp) is queried. Once the script is used up Exit is held, so that every
    // open window closes and a broken window cannot hang the test.
    std::vector<std::set<int>> steps;
    int step = -1;
    int drains = 0;
    int pageDirtyMarks = 0;
    std::vector<ScreenEventType> dispatched;
    // Called at the start of each tick with its index (the screen as the tick finds it).
    std::function<void(int)> onTick;

    PopupContext context()
    {
        PopupContext c{screen, fonts, settings, clock, {}, {}, {}, {}, {}};
        c.keyActive = [this](int vk) {
            if (vk == settings.Keymappings.SelectUp) {
                ++step;
                if (onTick) {
                    onTick(step);
                }
            }
            if (step >= static_cast<int>(steps.size())) {
                return vk == settings.Keymappings.Exit;
            }
            return steps[static_cast<size_t>(step)].count(vk) > 0;
        };
        c.joystickActive = [](int) { return false; };
        c.drainKeys = [this] { ++drains; };
        c.dispatchMainWindowEvent = [this](const ScreenEvent& e) { dispatched.push_back(e.type); };
        c.markPageDirty = [this] { ++pageDirtyMarks; };
        return c;
    }

    FakeScreen screen;
    FontCache fonts;
    LauncherSettings settings;
    ManualClock clock;
};
