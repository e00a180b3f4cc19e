#include "input/input_actions.h"

#include <cstdio>

namespace {

struct ActionEntry {
    const char* keyName;
    int KeyMappingSettings::*key;
    const char* joystickName;  // null: keyboard only
    int JoystickMappingSettings::*mask;
};

const ActionEntry& entry(InputAction action)
{
    using K = KeyMappingSettings;
    using J = JoystickMappingSettings;
    static const std::array<ActionEntry, kInputActionCount> kEntries{{
        {"SelectUp", &K::SelectUp, "SelectUp", &J::SelectUp},
        {"SelectDown", &K::SelectDown, "SelectDown", &J::SelectDown},
        {"SelectPageUp", &K::SelectPageUp, "SelectPageUp", &J::SelectPageUp},
        {"SelectPageDown", &K::SelectPageDown, "SelectPageDown", &J::SelectPageDown},
        {"StartGame", &K::StartGame, "StartGame", &J::StartGame},
        {"ShowMenu", &K::ShowMenu, "ShowMenu", &J::ShowMenu},
        {"Exit", &K::Exit, "Exit", &J::Exit},
        {"GameInfo", &K::GameInfo, "GameInfo", &J::GameInfo},
        {"P2SelectUp", &K::P2SelectUp, nullptr, nullptr},
        {"P2SelectDown", &K::P2SelectDown, nullptr, nullptr},
        {"P2SelectPageUp", &K::P2SelectPageUp, nullptr, nullptr},
        {"P2SelectPageDown", &K::P2SelectPageDown, nullptr, nullptr},
        {"P2StartGame", &K::P2StartGame, nullptr, nullptr},
        {"P2ShowMenu", &K::P2ShowMenu, nullptr, nullptr},
        {"P2Exit", &K::P2Exit, nullptr, nullptr},
        {"P2GameInfo", &K::P2GameInfo, nullptr, nullptr},
        {"MusicPlay", &K::MusicPlay, "PlayMusic", &J::PlayMusic},
        {"MusicStop", &K::MusicStop, "StopMusic", &J::StopMusic},
        {"MusicNext", &K::MusicNext, "NextSong", &J::NextSong},
        {"MusicPrevious", &K::MusicPrevious, "PreviousSong", &J::PreviousSong},
    }};
    return kEntries[static_cast<int>(action)];
}

}  // namespace

const char* keyMappingName(InputAction action) { return entry(action).keyName; }

const char* joystickMappingName(InputAction action) { return entry(action).joystickName; }

int actionKey(const LauncherSettings& settings, InputAction action)
{
    return settings.Keymappings.*(entry(action).key);
}

int actionJoystickMask(const LauncherSettings& settings, InputAction action)
{
    const ActionEntry& e = entry(action);
    return e.mask != nullptr ? settings.JoystickMappings.*(e.mask) : 0;
}

bool isPlayer1Action(InputAction action)
{
    return static_cast<int>(action) <= static_cast<int>(InputAction::GameInfo);
}

bool isPlayer2Action(InputAction action)
{
    const int index = static_cast<int>(action);
    return index >= static_cast<int>(InputAction::P2SelectUp) &&
           index <= static_cast<int>(InputAction::P2GameInfo);
}

bool ActionFlags::anyPlayer1() const
{
    for (int i = 0; i < kInputActionCount; ++i) {
        if (flags_[i] && isPlayer1Action(static_cast<InputAction>(i))) return true;
    }
    return false;
}

bool ActionFlags::anyPlayer2() const
{
    for (int i = 0; i < kInputActionCount; ++i) {
        if (flags_[i] && isPlayer2Action(static_cast<InputAction>(i))) return true;
    }
    return false;
}

InputActions::InputActions(const LauncherSettings& settings, KeyboardState& keyboard,
                           Joystick& joystick)
    : settings_(settings), keyboard_(keyboard), joystick_(joystick)
{
}

bool InputActions::isActive(InputAction action)
{
    if (keyboard_.keyActive(actionKey(settings_, action)) == 1) return true;
    if (isPlayer2Action(action)) return false;
    return joystick_.joystickActive(actionJoystickMask(settings_, action)) != 0;
}

void InputActions::forgetHeldInputs()
{
    keyboard_.forgetHeldKeys();
    joystick_.ignoreHeldInputs();
}

ActionFlags InputActions::sample()
{
    ActionFlags flags;
    for (int i = 0; i < kInputActionCount; ++i) {
        const auto action = static_cast<InputAction>(i);
        flags.set(action, isActive(action));
    }
    return flags;
}

std::vector<std::string> checkInputMappings(const LauncherSettings& settings)
{
    std::vector<std::string> problems;
    char line[200];
    for (int i = 0; i < kInputActionCount; ++i) {
        const auto action = static_cast<InputAction>(i);
        const int key = actionKey(settings, action);
        if (key != 0 && (key < kFirstVirtualKey || key > kLastVirtualKey)) {
            std::snprintf(
                line, sizeof line,
                "Keymappings.%s = %d is not a key code (1 to 254); the action has no key.",
                keyMappingName(action), key);
            problems.emplace_back(line);
        }
        const char* joystickName = joystickMappingName(action);
        const int mask = actionJoystickMask(settings, action);
        if (joystickName != nullptr && mask != 0 && !isJoystickMask(mask)) {
            std::snprintf(line, sizeof line,
                          "JoystickMappings.%s = %d is not one joystick input (a single bit from 1 "
                          "to 536870912); the action ignores the joystick.",
                          joystickName, mask);
            problems.emplace_back(line);
        }
    }
    return problems;
}
