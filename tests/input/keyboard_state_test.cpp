#include "input/keyboard_state.h"

#include <limits>

#include <gtest/gtest.h>

#include "platform/screen.h"

TEST(KeyboardState, CodesThatNameNoKeyFocusAutoRepeatDiscardAndForget)
{
    KeyboardState keyboard;  // a key event means the window has the focus
    for (int code : {0, 255, 256, 9999, -1, std::numeric_limits<int>::min()}) {
        keyboard.keyDown(code);
        EXPECT_EQ(keyboard.keyActive(code), 0) << code;
    }
    keyboard.keyDown(1);
    keyboard.keyDown(254);
    EXPECT_EQ(keyboard.keyActive(1) + keyboard.keyActive(254), 2);
    EXPECT_TRUE(keyboard.keyboardFocus());

    keyboard.keyDown(kVkLeft);
    EXPECT_TRUE(keyboard.handleEvent({ScreenEventType::FocusLost, 0, 0}));
    EXPECT_FALSE(keyboard.handleEvent({ScreenEventType::Timer, 0, 1}));  // not the keyboard's
    EXPECT_EQ(keyboard.keyActive(kVkLeft), 0);  // keys reach only the focused window
    // Left's key-up happened in another window and never arrives: it must not stay held.
    keyboard.setFocus(true);
    EXPECT_EQ(keyboard.keyActive(kVkLeft), 0);

    keyboard.keyDown('A');
    EXPECT_TRUE(keyboard.query('A').pressedSinceQuery);
    keyboard.keyDown('A');  // auto-repeat while held is no new press
    keyboard.keyUp('A');
    EXPECT_EQ(keyboard.keyActive('A'), 0);

    // Discarding forgets every tap but not a key still held.
    keyboard.keyDown('B');
    keyboard.keyUp('B');
    keyboard.keyDown(kVkShift);
    keyboard.discardPresses();
    EXPECT_EQ(keyboard.keyActive('B'), 0);
    EXPECT_EQ(keyboard.keyActive(kVkShift), 1);

    // Forgetting drops the taps too, and a key still down (Escape closed a window) acts only
    // after a release and a new press: auto-repeat meanwhile is none.
    keyboard.keyDown(kVkEscape);
    keyboard.keyDown('A');
    keyboard.keyUp('A');
    keyboard.forgetHeldKeys();
    keyboard.keyDown(kVkEscape);
    EXPECT_EQ(keyboard.keyActive(kVkEscape) + keyboard.keyActive('A'), 0);
    keyboard.keyUp(kVkEscape);
    keyboard.keyDown(kVkEscape);
    EXPECT_EQ(keyboard.keyActive(kVkEscape), 1);
}
