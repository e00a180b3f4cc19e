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

struct Rig {
    bool setUp() { return setUpControllers(joystick, settings, out); }
    FakeControllerPort port;
    LauncherSettings settings;
    std::ostringstream out;
    Joystick joystick{port, settings, out};
};

}  // namespace

TEST(JoystickMasks, NamedControllerAndSystemJoystickTables)
{
    struct Named {
        ControllerState state;
        int64_t mask;
        bool active;
    };
    // Each axis direction acts only past half deflection (500 of 1000).
    const std::pair<ControllerState (*)(int), int64_t> directions[] = {
        {[](int v) { return axes(v, 0, 0); }, kJoystickRight},
        {[](int v) { return axes(-v, 0, 0); }, kJoystickLeft},
        {[](int v) { return axes(0, v, 0); }, kJoystickDown},
        {[](int v) { return axes(0, -v, 0); }, kJoystickUp},
        {[](int v) { return axes(0, 0, v); }, kJoystickZPositive},
        {[](int v) { return axes(0, 0, -v); }, kJoystickZNegative},
    };
    for (const auto& [at, mask] : directions) {
        EXPECT_FALSE(controllerMaskActive(at(500), mask)) << mask;
        EXPECT_TRUE(controllerMaskActive(at(501), mask)) << mask;
    }
    const Named named[] = {
        {button(1), kJoystickButton1, true},       {button(24), kJoystickButton24, true},
        {button(23), kJoystickButton24, false},    {button(1), 0x30, false},  // several bits
        {axes(1000, 0, 0), 0x40000000, false},     {axes(1000, 0, 0), -1, false},
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
        {13108, 32768, 0, kJoystickLeft, false},  {32768, 52428, 0, kJoystickDown, true},
        {32768, 52427, 0, kJoystickDown, false},  {32768, 13107, 0, kJoystickUp, true},
        {32768, 13108, 0, kJoystickUp, false},    {32768, 32768, 0x8, kJoystickButton4, true},
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
    Rig rig;
    rig.port.attached = {{"Pad One", 3, 24}, {"Pad Two", 3, 24}};
    rig.port.controllerState = button(6);
    rig.port.systemState = SystemJoystickState{32768, 32768, 0x2};
    rig.settings.UseJoystick = 0;
    // The named controller is read whatever UseJoystick says.
    rig.settings.DirectInputJoystick = "Pad Two";
    EXPECT_TRUE(rig.setUp());
    EXPECT_EQ(rig.port.chosen->name, "Pad Two");
    EXPECT_NE(rig.joystick.joystickActive(0x200), 0);  // button 6
    // Names compare exactly: no controller, so the system joystick, gated by UseJoystick.
    rig.settings.DirectInputJoystick = "pad two";
    EXPECT_FALSE(rig.setUp());
    EXPECT_EQ(rig.joystick.joystickActive(0x20), 0);
    rig.settings.UseJoystick = 1;
    EXPECT_NE(rig.joystick.joystickActive(0x20), 0);
    EXPECT_EQ(rig.joystick.joystickActive(0x200), 0);
    EXPECT_EQ(rig.out.str(), "");
}

TEST(Joystick, HotPlugAndFailedReads)
{
    Rig rig;
    rig.settings.UseDirectInput = 0;
    rig.setUp();
    EXPECT_EQ(rig.joystick.joystickActive(kJoystickButton1), 0);
    EXPECT_EQ(rig.out.str(), "");  // no joystick at all is not an error
    rig.port.attached = {{"Late Pad", 2, 4}};  // plugged in while the launcher runs
    rig.port.systemState = SystemJoystickState{65535, 32768, 0};
    EXPECT_NE(rig.joystick.joystickActive(kJoystickRight), 0);
    rig.port.systemState.reset();  // pulled out: every test says so and is inactive
    EXPECT_EQ(rig.joystick.joystickActive(kJoystickRight), 0);
    EXPECT_EQ(rig.joystick.joystickActive(kJoystickLeft), 0);
    EXPECT_EQ(rig.out.str(), "Error reading joystick!\nError reading joystick!\n");

    // A failed named read is inactive and the next read tries again.
    rig.settings.UseDirectInput = 1;
    ASSERT_TRUE(rig.setUp());
    rig.port.controllerState.reset();
    EXPECT_EQ(rig.joystick.directInputActive(kJoystickButton1), 0);
    rig.port.controllerState = button(1);
    EXPECT_EQ(rig.joystick.directInputActive(kJoystickButton1), 1);
}

TEST(Joystick, InputsHeldWhenIgnoredActOnlyAfterARelease)
{
    for (int useDirectInput : {0, 1}) {
        Rig rig;
        rig.port.attached = {{"Pad", 3, 24}};
        rig.port.controllerState = button(1);
        rig.port.controllerState->x = 1000;
        rig.port.systemState = SystemJoystickState{65535, 32768, 0x1};
        rig.settings.UseDirectInput = useDirectInput;
        rig.setUp();
        Joystick& joystick = rig.joystick;
        joystick.ignoreHeldInputs();  // right and button 1 are held
        EXPECT_EQ(joystick.joystickActive(kJoystickRight), 0) << useDirectInput;
        EXPECT_EQ(joystick.joystickActive(kJoystickButton1), 0) << useDirectInput;
        // Still held: still ignored. Button 1 let go and pressed again acts; right, never seen
        // released, stays ignored.
        rig.port.controllerState->buttons[0] = false;
        rig.port.systemState->buttons = 0;
        EXPECT_EQ(joystick.joystickActive(kJoystickButton1), 0) << useDirectInput;
        rig.port.controllerState->buttons[0] = true;
        rig.port.systemState->buttons = 0x1;
        EXPECT_NE(joystick.joystickActive(kJoystickButton1), 0) << useDirectInput;
        EXPECT_EQ(joystick.joystickActive(kJoystickRight), 0) << useDirectInput;
        EXPECT_EQ(joystick.joystickActive(kJoystickLeft), 0) << useDirectInput;
    }
}
