// The logical actions of the launcher and how one is found active: the key of its Keymappings
// entry first, and only when that key is not active the mask of its JoystickMappings entry.
// The player-2 actions have keys only.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/settings.h"
#include "input/joystick.h"
#include "input/keyboard_state.h"

enum class InputAction : int {
    SelectUp,
    SelectDown,
    SelectPageUp,
    SelectPageDown,
    StartGame,
    ShowMenu,
    Exit,
    GameInfo,
    P2SelectUp,
    P2SelectDown,
    P2SelectPageUp,
    P2SelectPageDown,
    P2StartGame,
    P2ShowMenu,
    P2Exit,
    P2GameInfo,
    MusicPlay,
    MusicStop,
    MusicNext,
    MusicPrevious,
};
inline constexpr int kInputActionCount = 20;

// The settings-file key of the action in [Keymappings] ("SelectUp", "MusicPlay", ...).
const char* keyMappingName(InputAction action);
// Its key in [JoystickMappings] ("SelectUp", "PlayMusic", ...), or null for player-2 actions.
const char* joystickMappingName(InputAction action);
// The configured virtual-key code of the action.
int actionKey(const LauncherSettings& settings, InputAction action);
// The configured joystick mask of the action; 0 for the player-2 actions.
int actionJoystickMask(const LauncherSettings& settings, InputAction action);

bool isPlayer1Action(InputAction action);  // the eight actions without "P2" or "Music"
bool isPlayer2Action(InputAction action);

// One tick's worth of action flags.
class ActionFlags {
public:
    bool operator[](InputAction action) const { return flags_[static_cast<int>(action)]; }
    void set(InputAction action, bool active) { flags_[static_cast<int>(action)] = active; }
    bool anyPlayer1() const;
    bool anyPlayer2() const;

private:
    std::array<bool, kInputActionCount> flags_{};
};

// Answers whether actions are active now. Borrowed references; GUI thread. Every answer queries
// the devices afresh, so a key's press mark is used up by the first action that asks for it.
class InputActions {
public:
    InputActions(const LauncherSettings& settings, KeyboardState& keyboard, Joystick& joystick);

    // keyActive of the action's key, or else (player 1 and music only) joystickActive of its mask.
    bool isActive(InputAction action);
    // Every action once, in declaration order.
    ActionFlags sample();

    // After a blocking activity: forgets the presses made during it, and the keys and joystick
    // inputs held now act again only once released and pressed anew.
    void forgetHeldInputs();

    KeyboardState& keyboard() { return keyboard_; }
    Joystick& joystick() { return joystick_; }

private:
    const LauncherSettings& settings_;
    KeyboardState& keyboard_;
    Joystick& joystick_;
};

// One readable line for each mapping value that can never be active: a key code outside 1..254
// or a joystick value that is not exactly one input. 0 switches an action off and is fine.
std::vector<std::string> checkInputMappings(const LauncherSettings& settings);
