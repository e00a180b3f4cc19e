// The joystick tests: whether one joystick mapping (a mask with one bit set) is active now.
//
// Two back ends answer them. The named controller (UseDirectInput on) reads three axes scaled to
// -1000..1000 and 24 buttons of the controller picked by its product name; the system joystick
// (the fallback) reads the first attached controller as raw 0..65535 axes and four buttons. The
// same masks serve both:
//
//   mask                      named controller      system joystick
//   0x1 right / 0x2 left      X > 500 / X < -500    X >= 0.8 max / X <= min + 0.2 max
//   0x4 down  / 0x8 up        Y > 500 / Y < -500    the same with Y
//   0x10..0x80                buttons 1 to 4        buttons 1 to 4
//   0x100..0x8000000          buttons 5 to 24       never
//   0x10000000 / 0x20000000   Z > 500 / Z < -500    never
//
// Any other value (0, several bits, bits 30 and 31) is never active.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "config/settings.h"
#include "platform/controller.h"

enum JoystickMask : uint32_t {
    kJoystickRight = 0x1,
    kJoystickLeft = 0x2,
    kJoystickDown = 0x4,
    kJoystickUp = 0x8,
    kJoystickButton1 = 0x10,
    kJoystickButton4 = 0x80,
    kJoystickButton5 = 0x100,
    kJoystickButton24 = 0x8000000,
    kJoystickZPositive = 0x10000000,
    kJoystickZNegative = 0x20000000,
};

// Deflection beyond which a scaled axis counts as pushed; exactly 500 does not count.
inline constexpr int kAxisThreshold = 500;

// True when `mask` is one of the masks above (exactly one bit, bits 0 to 29).
bool isJoystickMask(int64_t mask);

// The named controller's test on a state already read: true when the mask's input is active.
bool controllerMaskActive(const ControllerState& state, int64_t mask);

// The system joystick's test on a state already read: the non-zero button bits or 1 when active,
// 0 otherwise. The axis tests are made in double precision on the unsigned values.
uint32_t systemJoystickMaskActive(const SystemJoystickState& state,
                                  const SystemJoystickRanges& ranges, int64_t mask);

// Both back ends over one controller port, and the choice between them. GUI thread.
class Joystick {
public:
    // `settings` supplies UseJoystick and DirectInputJoystick; `diagnostics` receives the
    // "Error reading joystick!" lines (standard output in the real launcher). Both are borrowed
    // and must outlive the joystick.
    Joystick(ControllerPort& port, const LauncherSettings& settings, std::ostream& diagnostics);

    // Picks the named controller (DirectInputJoystick, any controller when empty). 1 when one was
    // chosen, 0 when none is attached or none has that name. Does not set directInputInUse.
    int initDirectInput();
    // The named controller's state now; nothing without a controller or when the read failed.
    std::optional<ControllerState> readJoystickState();
    // Releases the named controller; always 1.
    int releaseDirectInput();
    // Looks for the system joystick and its axis ranges.
    void initWinmmJoystick();
    bool joystickPresent() const { return joystickPresent_; }

    // Non-zero when the mask's input is active now. With directInputInUse the named controller is
    // read whatever UseJoystick says; otherwise the system joystick, only when UseJoystick is 1.
    // Each call reads the device afresh. An input held over by ignoreHeldInputs() answers 0.
    int joystickActive(int64_t mask);
    // Inputs active now stay inactive to joystickActive until they have been seen released: the
    // button or direction that closed a window or started a game, still held, must not act again.
    void ignoreHeldInputs();
    // The named controller's test: 1 or 0.
    int directInputActive(int64_t mask);

    // True when the named controller is the joystick; set by setUpControllers().
    bool directInputInUse = false;

private:
    int deviceActive(int64_t mask);

    ControllerPort& port_;
    const LauncherSettings& settings_;
    std::ostream& diagnostics_;
    bool joystickPresent_ = false;
    SystemJoystickRanges ranges_;
    uint32_t heldOver_ = 0;  // masks ignored until released
};

// The catalogue build's joystick step: with UseDirectInput on and a controller of the configured
// name attached, the named controller becomes the joystick (directInputInUse true); otherwise the
// system joystick is set up. Also reports mapping values that name no key or joystick input, one
// line each on `diagnostics`. Returns directInputInUse.
bool setUpControllers(Joystick& joystick, const LauncherSettings& settings,
                      std::ostream& diagnostics);
