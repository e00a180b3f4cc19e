#include "input/input_actions.h"

#include <sstream>

#include <gtest/gtest.h>

#include "input/fake_controller_port.h"
#include "platform/screen.h"

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

TEST(InputActions, EachKeyActsAloneAndPlayerTwoHasNoJoystick)
{
    Rig rig;
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
    Rig rig;
    EXPECT_EQ(rig.diagnostics.str(), "");
    rig.settings.Keymappings.SelectUp = 0;  // switched off: fine
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
    setUpControllers(rig.joystick, rig.settings, rig.diagnostics);
    EXPECT_NE(rig.diagnostics.str().find("PlayMusic = 1073741824"), std::string::npos);
    rig.port.controllerState->buttons.fill(true);
    rig.keyboard.keyDown(255);
    EXPECT_FALSE(rig.actions.isActive(InputAction::SelectDown));
    EXPECT_FALSE(rig.actions.isActive(InputAction::StartGame));
}
