#include "input/input_actions.h"

#include <sstream>

#include <gtest/gtest.h>

#include "input/fake_controller_port.h"

namespace {

struct Rig {
    Rig()
    {
        port.attached = {{"Stick", 3, 24}};
        keyboard.setFocus(true);
        setUpControllers(joystick, settings, diagnostics);
    }
    LauncherSettings settings;
    FakeControllerPort port;
    std::ostringstream diagnostics;
    KeyboardState keyboard;
    Joystick joystick{port, settings, diagnostics};
    InputActions actions{settings, keyboard, joystick};
};

}  // namespace

TEST(InputActions, KeyFirstThenJoystickAndPlayerTwoKeyboardOnly)
{
    Rig rig;
    // A held key answers without touching the joystick.
    rig.keyboard.keyDown(rig.settings.Keymappings.SelectUp);
    EXPECT_TRUE(rig.actions.isActive(InputAction::SelectUp));
    EXPECT_EQ(rig.port.controllerReads, 0);
    rig.keyboard.keyUp(rig.settings.Keymappings.SelectUp);
    rig.keyboard.discardPresses();

    // Stick up is SelectUp's default mask; button 5 is PlayMusic's.
    rig.port.controllerState->y = -1000;
    rig.port.controllerState->buttons[4] = true;
    EXPECT_TRUE(rig.actions.isActive(InputAction::SelectUp));
    EXPECT_TRUE(rig.actions.isActive(InputAction::MusicPlay));
    EXPECT_EQ(rig.port.controllerReads, 2);
    // Player 2 has no joystick, even if a mask would match.
    EXPECT_FALSE(rig.actions.isActive(InputAction::P2SelectUp));
    EXPECT_EQ(rig.port.controllerReads, 2);

    const ActionFlags flags = rig.actions.sample();
    EXPECT_TRUE(flags.anyPlayer1());
    EXPECT_FALSE(flags.anyPlayer2());
    EXPECT_TRUE(flags[InputAction::SelectUp]);
    EXPECT_FALSE(flags[InputAction::SelectDown]);
    // 12 actions have a joystick mask and none has its key down.
    EXPECT_EQ(rig.port.controllerReads, 2 + 12);
}

TEST(InputActions, EveryActionReadsItsOwnMapping)
{
    Rig rig;
    rig.port.controllerState.reset();
    for (int i = 0; i < kInputActionCount; ++i) {
        const auto action = static_cast<InputAction>(i);
        // A distinct key per action, then check that exactly that action is active.
        rig.settings.Keymappings = KeyMappingSettings{};
        const int key = actionKey(rig.settings, action);
        rig.keyboard.keyDown(key);
        const ActionFlags flags = rig.actions.sample();
        for (int j = 0; j < kInputActionCount; ++j)
            EXPECT_EQ(flags[static_cast<InputAction>(j)], i == j) << keyMappingName(action);
        EXPECT_EQ(flags.anyPlayer2(), isPlayer2Action(action)) << keyMappingName(action);
        rig.keyboard.keyUp(key);
        rig.keyboard.discardPresses();
    }
}

TEST(InputActions, MappingsThatCanNeverActAreReported)
{
    LauncherSettings settings;
    EXPECT_TRUE(checkInputMappings(settings).empty());
    settings.Keymappings.SelectUp = 0;  // switched off: fine
    settings.Keymappings.SelectDown = 255;
    settings.Keymappings.StartGame = 9999;
    settings.Keymappings.P2Exit = -4;
    settings.JoystickMappings.ShowMenu = 0;
    settings.JoystickMappings.StartGame = 3;
    settings.JoystickMappings.PlayMusic = 0x40000000;
    const std::vector<std::string> problems = checkInputMappings(settings);
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0],
              "Keymappings.SelectDown = 255 is not a key code (1 to 254); the action has no key.");
    EXPECT_NE(problems[1].find("Keymappings.StartGame = 9999"), std::string::npos);
    EXPECT_NE(problems[2].find("JoystickMappings.StartGame = 3 is not one joystick input"),
              std::string::npos);
    EXPECT_NE(problems[3].find("Keymappings.P2Exit = -4"), std::string::npos);
    EXPECT_NE(problems[4].find("JoystickMappings.PlayMusic = 1073741824"), std::string::npos);

    // The launcher reports them and runs on; the bad values are simply never active.
    FakeControllerPort port;
    port.attached = {{"Stick", 3, 24}};
    port.controllerState->buttons.fill(true);
    std::ostringstream diagnostics;
    KeyboardState keyboard;
    keyboard.setFocus(true);
    Joystick joystick(port, settings, diagnostics);
    setUpControllers(joystick, settings, diagnostics);
    EXPECT_NE(diagnostics.str().find("Keymappings.SelectDown = 255"), std::string::npos);
    InputActions actions(settings, keyboard, joystick);
    keyboard.keyDown(255);
    EXPECT_FALSE(actions.isActive(InputAction::SelectDown));
    EXPECT_FALSE(actions.isActive(InputAction::StartGame));
}
