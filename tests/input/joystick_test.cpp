// The joystick, and the actions read from it and the keyboard.
#include "input/joystick.h"

#include <cstdlib>
#include <tuple>

#include <gtest/gtest.h>

#include "input/fake_controller_port.h"
#include "platform/screen.h"

namespace {

ControllerState button(int number)
{
    ControllerState state;
    state.buttons[number - 1] = true;
    return state;
}

}  // namespace

TEST(JoystickMasks, NamedControllerAndSystemJoystickTables)
{
    // Each axis direction acts only past half deflection (500 of 1000).
    const int64_t directions[3][2] = {{kJoystickRight, kJoystickLeft},
                                      {kJoystickDown, kJoystickUp},
                                      {kJoystickZPositive, kJoystickZNegative}};
    for (int axis = 0; axis < 3; ++axis) {
        for (int v : {500, -500, 501, -501}) {
            ControllerState state;
            (axis == 0 ? state.x : axis == 1 ? state.y : state.z) = v;
            EXPECT_EQ(controllerMaskActive(state, directions[axis][v < 0]), std::abs(v) == 501)
                << axis << " " << v;
        }
    }
    const ControllerState right{1000, 0, 0, {}};
    const std::tuple<ControllerState, int64_t, bool> named[] = {
        {button(1), kJoystickButton1, true},    {button(24), kJoystickButton24, true},
        {button(23), kJoystickButton24, false}, {button(1), 0x30, false},  // several bits
        {right, 0x40000000, false},             {right, -1, false},
    };
    for (const auto& [state, mask, active] : named)
        EXPECT_EQ(controllerMaskActive(state, mask), active) << std::hex << mask;

    // {x, y, buttons}, mask, active: the system joystick acts in the outer fifth of each axis.
    const std::tuple<SystemJoystickState, int64_t, bool> system[] = {
        {{52428, 32768, 0}, kJoystickRight, true},  // 0.8 x 65535 = 52428.0
        {{52427, 32768, 0}, kJoystickRight, false}, {{13107, 32768, 0}, kJoystickLeft, true},
        {{13108, 32768, 0}, kJoystickLeft, false},  {{32768, 52428, 0}, kJoystickDown, true},
        {{32768, 52427, 0}, kJoystickDown, false},  {{32768, 13107, 0}, kJoystickUp, true},
        {{32768, 13108, 0}, kJoystickUp, false},    {{32768, 32768, 0x8}, kJoystickButton4, true},
        {{32768, 32768, 0xF}, 256, false},  // buttons 5+ and the Z axis do not exist here
        {{32768, 32768, 0xF}, kJoystickZPositive, false}, {{65535, 65535, 0xF}, 0x11, false},
    };
    for (const auto& [state, mask, active] : system) {
        EXPECT_EQ(systemJoystickMaskActive(state, {}, mask) != 0, active)
            << std::hex << mask << std::dec << " x=" << state.x << " y=" << state.y;
    }
}

TEST(Joystick, BackEndChoiceByNameAndUseJoystick)
{
    InputRig rig;
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
    InputRig rig;
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
        SCOPED_TRACE(useDirectInput);
        InputRig rig;
        rig.port.attached = {{"Pad", 3, 24}};
        rig.port.controllerState = button(1);
        rig.port.controllerState->x = 1000;
        rig.port.controllerState->z = -1000;  // the last direction a controller has
        rig.port.systemState = SystemJoystickState{65535, 32768, 0x1};
        rig.settings.UseDirectInput = useDirectInput;
        rig.setUp();
        rig.joystick.ignoreHeldInputs();  // held (right, Z-, button 1): none acts
        EXPECT_EQ(rig.joystick.joystickActive(kJoystickRight), 0);
        EXPECT_EQ(rig.joystick.joystickActive(kJoystickZNegative), 0);
        EXPECT_EQ(rig.joystick.joystickActive(kJoystickButton1), 0);
        // Still held: still ignored. Button 1 let go and pressed again acts; right, never seen
        // released, stays ignored.
        rig.port.controllerState->buttons[0] = false;
        rig.port.systemState->buttons = 0;
        EXPECT_EQ(rig.joystick.joystickActive(kJoystickButton1), 0);
        rig.port.controllerState->buttons[0] = true;
        rig.port.systemState->buttons = 0x1;
        EXPECT_NE(rig.joystick.joystickActive(kJoystickButton1), 0);
        EXPECT_EQ(rig.joystick.joystickActive(kJoystickRight), 0);
        EXPECT_EQ(rig.joystick.joystickActive(kJoystickLeft), 0);
    }
}

TEST(InputActions, EachKeyActsAloneAndPlayerTwoHasNoJoystick)
{
    InputRig rig;
    rig.port.attached = {{"Stick", 3, 24}};
    rig.setUp();
    // The keys the screen reports for the arrows and Escape are the default moves.
    const KeyMappingSettings& keys = rig.settings.Keymappings;
    EXPECT_EQ((std::vector{keys.SelectUp, keys.SelectDown, keys.SelectPageUp, keys.SelectPageDown,
                           keys.Exit}),
              (std::vector<int>{kVkUp, kVkDown, kVkLeft, kVkRight, kVkEscape}));
    for (int i = 0; i < kInputActionCount; ++i) {
        const auto action = static_cast<InputAction>(i);
        const std::string name = keyMappingName(action);
        const int key = actionKey(rig.settings, action);
        rig.keyboard.keyDown(key);
        const ActionFlags flags = rig.actions.sample();
        for (int j = 0; j < kInputActionCount; ++j)
            EXPECT_EQ(flags[static_cast<InputAction>(j)], i == j) << name;
        // Player 2's actions are named "P2..."; the music keys belong to neither player.
        EXPECT_EQ(flags.anyPlayer2(), name.starts_with("P2")) << name;
        EXPECT_EQ(flags.anyPlayer1(), !name.starts_with("P2") && !name.starts_with("Music"))
            << name;
        rig.keyboard.keyUp(key);
        rig.keyboard.discardPresses();
    }
    // Stick up is SelectUp's default mask, button 5 PlayMusic's; player 2 has no joystick.
    rig.port.controllerState->y = -1000;
    rig.port.controllerState->buttons[4] = true;
    const ActionFlags flags = rig.actions.sample();
    EXPECT_TRUE(flags[InputAction::SelectUp] && flags[InputAction::MusicPlay]);
    EXPECT_FALSE(flags[InputAction::P2SelectUp] || flags[InputAction::SelectDown]);
}

TEST(InputActions, MappingsThatCanNeverActAreReportedAndInactive)
{
    InputRig rig;
    rig.port.attached = {{"Stick", 3, 24}};
    rig.setUp();
    EXPECT_EQ(rig.out.str(), "");
    rig.settings.Keymappings.SelectUp = 0;  // switched off: fine
    rig.settings.Keymappings.Exit = 254;    // the last key code: fine
    rig.settings.Keymappings.SelectDown = 255;
    rig.settings.Keymappings.StartGame = 9999;
    rig.settings.Keymappings.P2Exit = -4;
    rig.settings.JoystickMappings.StartGame = 3;
    rig.settings.JoystickMappings.PlayMusic = 0x40000000;
    const std::vector<std::string> problems = checkInputMappings(rig.settings);
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0],
              "Keymappings.SelectDown = 255 is not a key code (1 to 254); the action has no key.");
    EXPECT_NE(problems[2].find("JoystickMappings.StartGame = 3 is not one joystick input"),
              std::string::npos);
    EXPECT_NE(problems[3].find("Keymappings.P2Exit = -4"), std::string::npos);
    rig.setUp();
    EXPECT_NE(rig.out.str().find("PlayMusic = 1073741824"), std::string::npos);
    rig.port.controllerState->buttons.fill(true);
    rig.keyboard.keyDown(255);
    EXPECT_FALSE(rig.actions.isActive(InputAction::SelectDown));
    EXPECT_FALSE(rig.actions.isActive(InputAction::StartGame));
}
