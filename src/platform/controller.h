// Game controllers as the launcher sees them: a list of attached controllers with their product
// names, one chosen controller read as three axes scaled to -1000..1000 and 24 buttons, and the
// "system joystick" (the first attached controller) read as two raw 0..65535 axes and four
// buttons.
//
// A missing, unplugged or unreadable controller is normal life on a cabinet: every read can come
// back empty, and the next read tries again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr int kControllerButtonCount = 24;
inline constexpr int kControllerAxisLimit = 1000;  // scaled axes report -1000..1000
inline constexpr uint32_t kSystemAxisMaximum = 65535;

struct ControllerInfo {
    std::string name;  // product name as the system reports it
    int axisCount = 0;
    int buttonCount = 0;
};

// The chosen controller's state at one moment.
struct ControllerState {
    int x = 0;  // -1000 (left) .. 1000 (right)
    int y = 0;  // -1000 (up) .. 1000 (down)
    int z = 0;  // third axis; 0 when the controller has none
    std::array<bool, kControllerButtonCount> buttons{};  // buttons[0] is button 1
};

// The system joystick's state: raw axes and the first four buttons as bits (bit 0 = button 1).
struct SystemJoystickState {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t buttons = 0;
};

// Axis ranges of the system joystick, as its capabilities report them.
struct SystemJoystickRanges {
    uint32_t xMin = 0;
    uint32_t xMax = kSystemAxisMaximum;
    uint32_t yMin = 0;
    uint32_t yMax = kSystemAxisMaximum;
};

// All calls on the GUI thread. Implementations must survive controllers being plugged in and
// pulled out at any time.
class ControllerPort {
public:
    virtual ~ControllerPort() = default;

    // The attached controllers in the system's order. Empty when there are none.
    virtual std::vector<ControllerInfo> listControllers() = 0;

    // Chooses the first attached controller whose product name equals `name` exactly (any
    // controller when `name` is empty) and that can be opened; a controller that fails to open
    // is passed over. Replaces any controller chosen before. Nothing when none qualifies.
    virtual std::optional<ControllerInfo> openController(const std::string& name) = 0;

    // The chosen controller's state now. When it was unplugged, the port looks for a controller
    // of the same product name and reads that one instead. Nothing when there is no chosen
    // controller, or it is gone and none of its name is attached, or the read failed.
    virtual std::optional<ControllerState> readController() = 0;

    // Forgets the chosen controller and releases it.
    virtual void closeController() = 0;

    // Opens the first attached controller as the system joystick and gives its axis ranges;
    // nothing when no controller is attached.
    virtual std::optional<SystemJoystickRanges> openSystemJoystick() = 0;

    // The system joystick's state now, reopening the first attached controller when the one read
    // before was unplugged. Nothing when no controller is attached or the read failed.
    virtual std::optional<SystemJoystickState> readSystemJoystick() = 0;
};

// A port with nothing attached: for builds and runs without a joystick subsystem.
class NullControllerPort final : public ControllerPort {
public:
    std::vector<ControllerInfo> listControllers() override { return {}; }
    std::optional<ControllerInfo> openController(const std::string&) override { return {}; }
    std::optional<ControllerState> readController() override { return {}; }
    void closeController() override {}
    std::optional<SystemJoystickRanges> openSystemJoystick() override { return {}; }
    std::optional<SystemJoystickState> readSystemJoystick() override { return {}; }
};
