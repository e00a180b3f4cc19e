// A pop-up context on a fake screen with a hand-driven clock and scripted keys, shared by the
// pop-up tests.
#pragma once

#include <set>
#include <vector>

#include "config/settings.h"
#include "display/font_cache.h"
#include "platform/clock.h"
#include "platform/screen.h"
#include "ui/popup_loop.h"

// The default key of each control, as the scripts press them.
inline const KeyMappingSettings kKeys;

struct PopupHarness {
    explicit PopupHarness(int width = 1024, int height = 768) : screen(width, height)
    {
        settings.Fontface = "Liberation Sans";
        settings.StatusBarFontFace = "Liberation Sans";
        context.keyActive = [this](int vk) {
            if (vk == settings.Keymappings.SelectUp) {
                ++step;
                if (onTick) onTick(step);
            }
            if (step >= static_cast<int>(steps.size())) return vk == settings.Keymappings.Exit;
            return steps[static_cast<size_t>(step)].count(vk) > 0;
        };
        context.drainKeys = [this] { ++drains; };
        context.dispatchMainWindowEvent = [this](const ScreenEvent& e) {
            dispatched.push_back(e.type);
        };
        context.screenTurned = [this] { ++turns; };
    }

    FakeScreen screen;
    FontCache fonts;
    LauncherSettings settings;
    ManualClock clock;
    PopupContext context{screen, fonts, settings, clock, {}, {}, {}, {}, {}};

    // Keys held in each tick; a tick starts when player 1's SelectUp (asked first) is queried.
    // Past the script Exit is held, so that a broken window cannot hang the test.
    std::vector<std::set<int>> steps;
    int step = -1;
    int drains = 0;
    int turns = 0;  // screenTurned calls
    std::vector<ScreenEventType> dispatched;
    std::function<void(int)> onTick;  // called at the start of each tick with its index
};
