#include "input/joystick.h"

#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "input/fake_controller_port.h"

namespace {

ControllerState axes(int x, int y, int z)
{
    ControllerState state;
    state.x = x;
    state.y = y;
    state.z = z;
    return state;
}

ControllerState button(int number)
{
    ControllerState state;
    state.buttons[number - 1] = true;
    return state;
}

}  // namespace

TEST(JoystickMasks, NamedControllerTable)
{
    struct Case {
        ControllerState state;
        int64_t mask;
        bool active;
    };
    const Case cases[] = {
        {axes(500, 0, 0), kJoystickRight, false},  // exactly half deflection is not enough
        {axes(501, 0, 0), kJoystickRight, true},
        {axes(-500, 0, 0), kJoystickLeft, false},
        {axes(-501, 0, 0), kJoystickLeft, true},
        {axes(1000, 0, 0), kJoystickLeft, false},
        {axes(0, 501, 0), kJoystickDown, true},
        {axes(0, -501, 0), kJoystickUp, true},
        {axes(0, 501, 0), kJoystickUp, false},
        {axes(0, 0, 501), kJoystickZPositive, true},
        {axes(0, 0, -501), kJoystickZNegative, true},
        {axes(0, 0, 500), kJoystickZPositive, false},
        {axes(1000, 1000, 1000), 0, false},
        {button(1), kJoystickButton1, true},
        {button(1), 0x20, false},
        {button(4), kJoystickButton4, true},
        {button(5), kJoystickButton5, true},
        {button(5), 0x80, false},
        {button(8), 0x800, true},
        {button(24), kJoystickButton24, true},
        {button(23), kJoystickButton24, false},
        // Several bits, bits 30 and 31, negatives: never, even when every input is on.
        {button(1), 0x30, false},
        {axes(1000, 0, 0), 3, false},
        {axes(1000, 0, 0), 0x40000000, false},
        {axes(1000, 0, 0), static_cast<int64_t>(std::numeric_limits<int>::min()), false},
        {axes(1000, 0, 0), -1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(controllerMaskActive(c.state, c.mask), c.active) << std::hex << c.mask;
    }
    ControllerState all = axes(1000, 1000, 1000);
    all.buttons.fill(true);
    EXPECT_FALSE(controllerMaskActive(all, 0x30));
    EXPECT_FALSE(controllerMaskActive(all, 0xFFFFFFF));
}

TEST(JoystickMasks, SystemJoystickTable)
{
    const SystemJoystickRanges ranges;  // 0..65535 on both axes
    struct Case {
        uint32_t x, y, buttons;
        int64_t mask;
        bool active;
    };
    const Case cases[] = {
        {52428, 32768, 0, kJoystickRight, true},  // 0.8 x 65535 = 52428.0
        {52427, 32768, 0, kJoystickRight, false},
        {13107, 32768, 0, kJoystickLeft, true},  // 0.2 x 65535 = 13107.0
        {13108, 32768, 0, kJoystickLeft, false},
        {32768, 65535, 0, kJoystickDown, true},
        {32768, 0, 0, kJoystickUp, true},
        {32768, 32768, 0, kJoystickUp, false},
        {32768, 32768, 0x1, kJoystickButton1, true},
        {32768, 32768, 0x8, kJoystickButton4, true},
        {32768, 32768, 0x8, 0x40, false},
        {32768, 32768, 0xF, 256, false},  // the default music mappings: never on this joystick
        {32768, 32768, 0xF, 2048, false},
        {32768, 32768, 0xF, kJoystickZPositive, false},
        {65535, 65535, 0xF, 0x11, false},
        {65535, 65535, 0xF, 0, false},
    };
    for (const Case& c : cases) {
        const SystemJoystickState state{c.x, c.y, c.buttons};
        EXPECT_EQ(systemJoystickMaskActive(state, ranges, c.mask) != 0, c.active)
            << std::hex << c.mask << " x=" << std::dec << c.x << " y=" << c.y;
    }
}

TEST(Joystick, NamedControllerIgnoresUseJoystickAndSystemJoystickObeysIt)
{
    FakeControllerPort port;
    port.attached = {{"Arcade Stick", 3, 24}};
    port.controllerState = button(6);
    port.systemState = SystemJoystickState{32768, 32768, 0x2};
    LauncherSettings settings;
    settings.UseJoystick = 0;
    std::ostringstream diagnostics;
    Joystick joystick(port, settings, diagnostics);

    EXPECT_TRUE(setUpControllers(joystick, settings, diagnostics));
    EXPECT_NE(joystick.joystickActive(0x200), 0);  // button 6
    EXPECT_EQ(joystick.joystickActive(0x400), 0);

    settings.UseDirectInput = 0;
    EXPECT_FALSE(setUpControllers(joystick, settings, diagnostics));
    EXPECT_EQ(joystick.joystickActive(0x20), 0);  // UseJoystick 0
    settings.UseJoystick = 1;
    EXPECT_NE(joystick.joystickActive(0x20), 0);
    EXPECT_EQ(joystick.joystickActive(0x200), 0);  // buttons 5+ do not exist here
}

TEST(Joystick, ControllerOfAnotherNameFallsBackToTheSystemJoystick)
{
    FakeControllerPort port;
    port.attached = {{"Pad One", 2, 8}, {"Pad Two", 2, 8}};
    LauncherSettings settings;
    settings.DirectInputJoystick = "pad two";  // names compare exactly, case included
    std::ostringstream diagnostics;
    Joystick joystick(port, settings, diagnostics);
    EXPECT_FALSE(setUpControllers(joystick, settings, diagnostics));
    EXPECT_TRUE(joystick.joystickPresent());

    settings.DirectInputJoystick = "Pad Two";
    EXPECT_TRUE(setUpControllers(joystick, settings, diagnostics));
    EXPECT_EQ(port.chosen->name, "Pad Two");
    EXPECT_EQ(diagnostics.str(), "");
}

TEST(Joystick, SystemJoystickThatStopsAnsweringReportsItAndOneThatComesLaterWorks)
{
    FakeControllerPort port;
    LauncherSettings settings;
    settings.UseDirectInput = 0;
    std::ostringstream out;
    Joystick joystick(port, settings, out);
    setUpControllers(joystick, settings, out);
    EXPECT_FALSE(joystick.joystickPresent());
    EXPECT_EQ(joystick.joystickActive(kJoystickButton1), 0);
    EXPECT_EQ(out.str(), "");  // no joystick is not an error

    // Plugged in while the launcher runs.
    port.attached = {{"Late Pad", 2, 4}};
    port.systemState = SystemJoystickState{65535, 32768, 0};
    EXPECT_NE(joystick.joystickActive(kJoystickRight), 0);
    EXPECT_TRUE(joystick.joystickPresent());

    // Pulled out again: each test fails with the message and is inactive.
    port.systemState.reset();
    EXPECT_EQ(joystick.joystickActive(kJoystickRight), 0);
    EXPECT_EQ(joystick.joystickActive(kJoystickLeft), 0);
    EXPECT_EQ(out.str(), "Error reading joystick!\nError reading joystick!\n");
}

TEST(Joystick, FailedNamedReadIsInactiveAndTheNextReadTriesAgain)
{
    FakeControllerPort port;
    port.attached = {{"Stick", 3, 24}};
    LauncherSettings settings;
    std::ostringstream out;
    Joystick joystick(port, settings, out);
    ASSERT_TRUE(setUpControllers(joystick, settings, out));
    port.controllerState.reset();
    EXPECT_EQ(joystick.directInputActive(kJoystickButton1), 0);
    port.controllerState = button(1);
    EXPECT_EQ(joystick.directInputActive(kJoystickButton1), 1);
    EXPECT_EQ(port.controllerReads, 2);
    EXPECT_EQ(joystick.releaseDirectInput(), 1);
    EXPECT_EQ(joystick.directInputActive(kJoystickButton1), 0);
}
