#include "input/joystick.h"

#include <ostream>

#include "input/input_actions.h"

bool isJoystickMask(int64_t mask)
{
    return mask > 0 && mask <= kJoystickZNegative && (mask & (mask - 1)) == 0;
}

bool controllerMaskActive(const ControllerState& state, int64_t mask)
{
    if (!isJoystickMask(mask)) return false;
    switch (mask) {
        case kJoystickRight:
            return state.x > kAxisThreshold;
        case kJoystickLeft:
            return state.x < -kAxisThreshold;
        case kJoystickDown:
            return state.y > kAxisThreshold;
        case kJoystickUp:
            return state.y < -kAxisThreshold;
        case kJoystickZPositive:
            return state.z > kAxisThreshold;
        case kJoystickZNegative:
            return state.z < -kAxisThreshold;
        default:
            break;
    }
    // Buttons: 0x10 is button 1 (index 0), each further bit the next button.
    int index = 0;
    for (int64_t bit = kJoystickButton1; bit != mask; bit <<= 1) ++index;
    return state.buttons[index];
}

uint32_t systemJoystickMaskActive(const SystemJoystickState& state,
                                  const SystemJoystickRanges& ranges, int64_t mask)
{
    const double x = state.x;
    const double y = state.y;
    switch (mask) {
        case kJoystickRight:
            return x >= ranges.xMax - 0.2 * ranges.xMax ? 1 : 0;
        case kJoystickLeft:
            return x <= ranges.xMin + 0.2 * ranges.xMax ? 1 : 0;
        case kJoystickDown:
            return y >= ranges.yMax - 0.2 * ranges.yMax ? 1 : 0;
        case kJoystickUp:
            return y <= ranges.yMin + 0.2 * ranges.yMax ? 1 : 0;
        case 0x10:
        case 0x20:
        case 0x40:
        case 0x80:
            return state.buttons & static_cast<uint32_t>(mask >> 4);
        default:
            return 0;
    }
}

Joystick::Joystick(ControllerPort& port, const LauncherSettings& settings,
                   std::ostream& diagnostics)
    : port_(port), settings_(settings), diagnostics_(diagnostics)
{
}

int Joystick::initDirectInput()
{
    return port_.openController(settings_.DirectInputJoystick) ? 1 : 0;
}

std::optional<ControllerState> Joystick::readJoystickState() { return port_.readController(); }

int Joystick::releaseDirectInput()
{
    port_.closeController();
    return 1;
}

void Joystick::initWinmmJoystick()
{
    const auto ranges = port_.openSystemJoystick();
    joystickPresent_ = ranges.has_value();
    if (ranges) ranges_ = *ranges;
}

int Joystick::directInputActive(int64_t mask)
{
    const auto state = readJoystickState();
    return state && controllerMaskActive(*state, mask) ? 1 : 0;
}

int Joystick::joystickActive(int64_t mask)
{
    const int active = deviceActive(mask);
    if (isJoystickMask(mask) && (heldOver_ & static_cast<uint32_t>(mask)) != 0) {
        if (active == 0) heldOver_ &= ~static_cast<uint32_t>(mask);
        return 0;
    }
    return active;
}

void Joystick::ignoreHeldInputs()
{
    heldOver_ = 0;
    for (uint32_t mask = kJoystickRight; mask <= kJoystickZNegative; mask <<= 1) {
        if (deviceActive(mask) != 0) heldOver_ |= mask;
    }
}

int Joystick::deviceActive(int64_t mask)
{
    if (directInputInUse) return directInputActive(mask);
    if (settings_.UseJoystick == 0) return 0;
    const auto state = port_.readSystemJoystick();
    if (!state) {
        // A joystick that was never there is not an error; one that stopped answering is.
        if (joystickPresent_) diagnostics_ << "Error reading joystick!\n" << std::flush;
        return 0;
    }
    if (!joystickPresent_) {
        // Plugged in after start-up: take its ranges now.
        if (const auto ranges = port_.openSystemJoystick()) ranges_ = *ranges;
        joystickPresent_ = true;
    }
    return static_cast<int>(systemJoystickMaskActive(*state, ranges_, mask));
}

bool setUpControllers(Joystick& joystick, const LauncherSettings& settings,
                      std::ostream& diagnostics)
{
    for (const std::string& problem : checkInputMappings(settings)) diagnostics << problem << '\n';
    diagnostics << std::flush;
    joystick.directInputInUse = settings.UseDirectInput != 0 && joystick.initDirectInput() == 1;
    if (!joystick.directInputInUse) joystick.initWinmmJoystick();
    return joystick.directInputInUse;
}
