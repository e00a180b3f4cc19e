#include "input/keyboard_state.h"

#include "platform/screen.h"

void KeyboardState::keyDown(int virtualKey)
{
    focus_ = true;
    if (!valid(virtualKey)) return;
    // Auto-repeat sends more downs while the key is held; only the first is a new press.
    if (!down_[virtualKey]) pressed_[virtualKey] = true;
    down_[virtualKey] = true;
}

void KeyboardState::keyUp(int virtualKey)
{
    if (!valid(virtualKey)) return;
    down_[virtualKey] = false;
    heldOver_[virtualKey] = false;
}

void KeyboardState::setFocus(bool focused)
{
    focus_ = focused;
    if (!focused) {
        down_.fill(false);
        pressed_.fill(false);
        heldOver_.fill(false);
    }
}

bool KeyboardState::handleEvent(const ScreenEvent& event)
{
    switch (event.type) {
        case ScreenEventType::KeyDown:
            keyDown(event.virtualKey);
            return true;
        case ScreenEventType::KeyUp:
            keyUp(event.virtualKey);
            return true;
        case ScreenEventType::FocusGained:
            setFocus(true);
            return true;
        case ScreenEventType::FocusLost:
            setFocus(false);
            return true;
        default:
            return false;
    }
}

KeyboardState::KeyQuery KeyboardState::query(int virtualKey)
{
    if (!valid(virtualKey)) return {};
    KeyQuery result{down_[virtualKey] && !heldOver_[virtualKey], pressed_[virtualKey]};
    pressed_[virtualKey] = false;
    return result;
}

int KeyboardState::keyActive(int virtualKey)
{
    if (!focus_) return 0;
    const KeyQuery state = query(virtualKey);
    return state.down || state.pressedSinceQuery ? 1 : 0;
}

void KeyboardState::discardPresses()
{
    for (int code = 0; code <= kLastVirtualKey; ++code) query(code);
}

void KeyboardState::forgetHeldKeys()
{
    pressed_.fill(false);
    heldOver_ = down_;
}
