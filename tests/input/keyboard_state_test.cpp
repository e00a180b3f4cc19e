#include "input/keyboard_state.h"

#include <limits>

#include <gtest/gtest.h>

#include "platform/screen.h"

namespace {

KeyboardState focusedKeyboard()
{
    KeyboardState keyboard;
    keyboard.setFocus(true);
    return keyboard;
}

}  // namespace

TEST(KeyboardState, TapBetweenQueriesCountsOnceAndHeldKeyEveryTime)
{
    KeyboardState keyboard = focusedKeyboard();
    keyboard.keyDown(kVkDown);
    keyboard.keyUp(kVkDown);
    EXPECT_EQ(keyboard.keyActive(kVkDown), 1);  // the tap, seen at the next query
    EXPECT_EQ(keyboard.keyActive(kVkDown), 0);  // and only there

    keyboard.keyDown(kVkUp);
    for (int tick = 0; tick < 10; ++tick) EXPECT_EQ(keyboard.keyActive(kVkUp), 1) << tick;
    keyboard.keyUp(kVkUp);
    EXPECT_EQ(keyboard.keyActive(kVkUp), 0);
}

TEST(KeyboardState, AutoRepeatIsNotANewPress)
{
    KeyboardState keyboard = focusedKeyboard();
    keyboard.keyDown('A');
    EXPECT_TRUE(keyboard.query('A').pressedSinceQuery);
    keyboard.keyDown('A');  // repeat while held
    keyboard.keyUp('A');
    const KeyboardState::KeyQuery after = keyboard.query('A');
    EXPECT_FALSE(after.down);
    EXPECT_FALSE(after.pressedSinceQuery);
}

TEST(KeyboardState, WithoutFocusNothingIsActiveAndStuckKeysAreForgotten)
{
    KeyboardState keyboard = focusedKeyboard();
    keyboard.keyDown(kVkLeft);
    keyboard.keyDown(kVkRight);
    keyboard.keyUp(kVkRight);
    keyboard.setFocus(false);
    EXPECT_EQ(keyboard.keyActive(kVkLeft), 0);
    // The key-up of Left happened in another window and never arrives; after the focus returns
    // the key must not scroll on its own.
    keyboard.setFocus(true);
    EXPECT_EQ(keyboard.keyActive(kVkLeft), 0);
    EXPECT_EQ(keyboard.keyActive(kVkRight), 0);
}

TEST(KeyboardState, ScreenEventsFeedKeysAndFocus)
{
    KeyboardState keyboard;
    EXPECT_FALSE(keyboard.keyboardFocus());
    EXPECT_TRUE(keyboard.handleEvent({ScreenEventType::FocusGained, 0, 0}));
    EXPECT_TRUE(keyboard.handleEvent({ScreenEventType::KeyDown, kVkEscape, 0}));
    EXPECT_TRUE(keyboard.handleEvent({ScreenEventType::KeyUp, kVkEscape, 0}));
    EXPECT_FALSE(keyboard.handleEvent({ScreenEventType::Timer, 0, 0}));
    EXPECT_FALSE(keyboard.handleEvent({ScreenEventType::Repaint, 0, 0}));
    EXPECT_EQ(keyboard.keyActive(kVkEscape), 1);
    EXPECT_TRUE(keyboard.handleEvent({ScreenEventType::FocusLost, 0, 0}));
    EXPECT_FALSE(keyboard.keyboardFocus());
    // Keys reach only the focused window, so a key event means the focus is back.
    keyboard.handleEvent({ScreenEventType::KeyDown, kVkReturn, 0});
    EXPECT_TRUE(keyboard.keyboardFocus());
    EXPECT_EQ(keyboard.keyActive(kVkReturn), 1);
}

TEST(KeyboardState, CodesThatNameNoKeyAreNeverActive)
{
    KeyboardState keyboard = focusedKeyboard();
    for (int code : {0, 255, 256, 9999, -1, -38, std::numeric_limits<int>::min(),
                     std::numeric_limits<int>::max()}) {
        keyboard.keyDown(code);
        EXPECT_EQ(keyboard.keyActive(code), 0) << code;
        keyboard.keyUp(code);
    }
    keyboard.keyDown(1);
    keyboard.keyDown(254);
    EXPECT_EQ(keyboard.keyActive(1), 1);
    EXPECT_EQ(keyboard.keyActive(254), 1);
}

TEST(KeyboardState, DiscardForgetsTapsButNotHeldKeys)
{
    KeyboardState keyboard = focusedKeyboard();
    for (int code = 1; code <= 254; ++code) {
        keyboard.keyDown(code);
        keyboard.keyUp(code);
    }
    keyboard.keyDown(kVkShift);
    keyboard.discardPresses();
    int active = 0;
    for (int code = 1; code <= 254; ++code) active += keyboard.keyActive(code);
    EXPECT_EQ(active, 1);
    EXPECT_EQ(keyboard.keyActive(kVkShift), 1);
}
