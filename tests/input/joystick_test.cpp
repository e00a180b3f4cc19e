#include "input/joystick.h"

#include <sstream>

#include <gtest/gtest.h>

#include "input/fake_controller_port.h"

namespace {

ControllerState axes(int x, int y, int z) { return ControllerState{x, y, z, {}}; }

ControllerState button(int number)
{
    ControllerState state;
    state.buttons[number - 1] = true;
    return state;
}

}  // namespace

TEST(JoystickMasks, NamedControllerAndSystemJoystickTables)
{
    struct Named {
        ControllerState state;
        int64_t mask;
        bool active;
    };
    const Named named[] = {
        {axes(500, 0, 0), kJoystickRight, false},  {axes(501, 0, 0), kJoystickRight, true},
        {axes(-501, 0, 0), kJoystickLeft, true},   {axes(0, 501, 0), kJoystickDown, true},
        {axes(0, -500, 0), kJoystickUp, false},    {axes(0, -501, 0), kJoystickUp, true},
        {axes(0, 0, 501), kJoystickZPositive, true}, {axes(0, 0, -501), kJoystickZNegative, true},
        {button(1), kJoystickButton1, true},       {button(1), 0x20, false},
        {button(5), kJoystickButton5, true},       {button(24), kJoystickButton24, true},
        {button(23), kJoystickButton24, false},    {button(1), 0x30, false},  // several bits
        {axes(1000, 0, 0), 3, false},              {axes(1000, 0, 0), 0x40000000, false},
        {axes(1000, 0, 0), 0, false},              {axes(1000, 0, 0), -1, false},
    };
    for (const Named& c : named)
        EXPECT_EQ(controllerMaskActive(c.state, c.mask), c.active) << std::hex << c.mask;

    struct System {
        uint32_t x, y, buttons;
        int64_t mask;
        bool active;
    };
    const System system[] = {
        {52428, 32768, 0, kJoystickRight, true},  // 0.8 x 65535 = 52428.0
        {52427, 32768, 0, kJoystickRight, false}, {13107, 32768, 0, kJoystickLeft, true},
        {13108, 32768, 0, kJoystickLeft, false},  {32768, 65535, 0, kJoystickDown, true},
        {32768, 0, 0, kJoystickUp, true},         {32768, 32768, 0x8, kJoystickButton4, true},
        {32768, 32768, 0x8, 0x40, false},
        {32768, 32768, 0xF, 256, false},  // buttons 5+ and the Z axis do not exist here
        {32768, 32768, 0xF, kJoystickZPositive, false}, {65535, 65535, 0xF, 0x11, false},
    };
    for (const System& c : system) {
        EXPECT_EQ(systemJoystickMaskActive({c.x, c.y, c.buttons}, {}, c.mask) != 0, c.active)
            << std::hex << c.mask << std::dec << " x=" << c.x << " y=" << c.y;
    }
}

TEST(Joystick, BackEndChoiceByNameAndUseJoystick)
{
    FakeControllerPort port;
    port.attached = {{"Pad One", 3, 24}, {"Pad Two", 3, 24}};
    port.controllerState = button(6);
    port.systemState = SystemJoystickState{32768, 32768, 0x2};
    LauncherSettings settings;
    settings.UseJoystick = 0;
    std::ostringstream out;
    Joystick joystick(port, settings, out);
    // The named controller is read whatever UseJoystick says.
    settings.DirectInputJoystick = "Pad Two";
    EXPECT_TRUE(setUpControllers(joystick, settings, out));
    EXPECT_EQ(port.chosen->name, "Pad Two");
    EXPECT_NE(joystick.joystickActive(0x200), 0);  // button 6
    // Names compare exactly: no controller, so the system joystick, gated by UseJoystick.
    settings.DirectInputJoystick = "pad two";
    EXPECT_FALSE(setUpControllers(joystick, settings, out));
    EXPECT_EQ(joystick.joystickActive(0x20), 0);
    settings.UseJoystick = 1;
    EXPECT_NE(joystick.joystickActive(0x20), 0);
    EXPECT_EQ(joystick.joystickActive(0x200), 0);
    EXPECT_EQ(out.str(), "");
}

TEST(Joystick, HotPlugAndFailedReads)
{
    FakeControllerPort port;
    LauncherSettings settings;
    settings.UseDirectInput = 0;
    std::ostringstream out;
    Joystick joystick(port, settings, out);
    setUpControllers(joystick, settings, out);
    EXPECT_EQ(joystick.joystickActive(kJoystickButton1), 0);
    EXPECT_EQ(out.str(), "");  // no joystick at all is not an error
    port.attached = {{"Late Pad", 2, 4}};  // plugged in while the launcher runs
    port.systemState = SystemJoystickState{65535, 32768, 0};
    EXPECT_NE(joystick.joystickActive(kJoystickRight), 0);
    port.systemState.reset();  // pulled out: every test says so and is inactive
    EXPECT_EQ(joystick.joystickActive(kJoystickRight), 0);
    EXPECT_EQ(joystick.joystickActive(kJoystickLeft), 0);
    EXPECT_EQ(out.str(), "Error reading joystick!\nError reading joystick!\n");

    // A failed named read is inactive and the next read tries again.
    settings.UseDirectInput = 1;
    ASSERT_TRUE(setUpControllers(joystick, settings, out));
    port.controllerState.reset();
    EXPECT_EQ(joystick.directInputActive(kJoystickButton1), 0);
    port.controllerState = button(1);
    EXPECT_EQ(joystick.directInputActive(kJoystickButton1), 1);
    EXPECT_EQ(joystick.releaseDirectInput(), 1);
    EXPECT_EQ(joystick.directInputActive(kJoystickButton1), 0);
}

TEST(Joystick, InputsHeldWhenIgnoredActOnlyAfterARelease)
{
    for (int useDirectInput : {0, 1}) {
        FakeControllerPort port;
        port.attached = {{"Pad", 3, 24}};
        port.controllerState = button(1);
        port.controllerState->x = 1000;
        port.systemState = SystemJoystickState{65535, 32768, 0x1};
        LauncherSettings settings;
        settings.UseDirectInput = useDirectInput;
        std::ostringstream out;
        Joystick joystick(port, settings, out);
        setUpControllers(joystick, settings, out);
        joystick.ignoreHeldInputs();  // right and button 1 are held
        EXPECT_EQ(joystick.joystickActive(kJoystickRight), 0) << useDirectInput;
        EXPECT_EQ(joystick.joystickActive(kJoystickButton1), 0) << useDirectInput;
        // Still held: still ignored. Button 1 let go and pressed again acts; right, never seen
        // released, stays ignored.
        port.controllerState->buttons[0] = false;
        port.systemState->buttons = 0;
        EXPECT_EQ(joystick.joystickActive(kJoystickButton1), 0) << useDirectInput;
        port.controllerState->buttons[0] = true;
        port.systemState->buttons = 0x1;
        EXPECT_NE(joystick.joystickActive(kJoystickButton1), 0) << useDirectInput;
        EXPECT_EQ(joystick.joystickActive(kJoystickRight), 0) << useDirectInput;
        EXPECT_EQ(joystick.joystickActive(kJoystickLeft), 0) << useDirectInput;
    }
}
