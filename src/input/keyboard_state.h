// The keyboard as the launcher polls it: for each Windows virtual-key code (the codes the
// settings file uses), whether the key is down now and whether it went down since the last
// query. Fed from the screen's key and focus events; queried once per tick per mapped key.
//
// Polling instead of reacting to events is what gives the controls their feel: a held key is
// active on every tick (ten moves a second), and a tap shorter than a tick still counts once.
#pragma once

#include <array>

struct ScreenEvent;

// Codes 1 to 254 name keys; 0, 255 and anything outside 0..255 name none and are never active.
inline constexpr int kFirstVirtualKey = 1;
inline constexpr int kLastVirtualKey = 254;

class KeyboardState {
public:
    struct KeyQuery {
        bool down = false;               // held now
        bool pressedSinceQuery = false;  // went down since the previous query of this key
    };

    // Event side: a key went down / up. Codes outside 1..254 are ignored. A key event also means
    // the window has the focus (the system sends keys only to the focused window), so it sets it.
    void keyDown(int virtualKey);
    void keyUp(int virtualKey);
    // The launcher's window gained or lost the keyboard focus. Losing it forgets every held key
    // and pending press: the key-up events of keys released elsewhere never arrive.
    void setFocus(bool focused);
    bool keyboardFocus() const { return focus_; }

    // Feeds one screen event; true when it was a key or focus event (and so consumed here).
    bool handleEvent(const ScreenEvent& event);

    // The GetAsyncKeyState of this keyboard: the key's state, then its press mark is cleared.
    // Works whatever the focus. Codes outside 1..254 give {false, false}.
    KeyQuery query(int virtualKey);

    // 1 when the key is down now or went down since its previous query, else 0. Without the
    // keyboard focus 0, and the key is not queried.
    int keyActive(int virtualKey);

    // Queries every code 0 to 254 once and drops the answers, so that presses made during a
    // blocking activity (a game, a pop-up window, the catalogue build) do not act afterwards.
    void discardPresses();
    // Forgets the presses and treats every key held now as up, until it is released and pressed
    // again: the key that closed a window or started a game must not act again because it is
    // still down a moment later.
    void forgetHeldKeys();

private:
    static bool valid(int virtualKey)
    {
        return virtualKey >= kFirstVirtualKey && virtualKey <= kLastVirtualKey;
    }

    std::array<bool, 256> down_{};
    std::array<bool, 256> pressed_{};
    std::array<bool, 256> heldOver_{};  // down, but held since forgetHeldKeys(): reads as up
    bool focus_ = false;
};
