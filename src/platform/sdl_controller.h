// The controller port over SDL's joystick API, and a helper that attaches SDL virtual joysticks
// so that tests can script controllers on a machine that has none.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controller.h"

// Starts SDL's joystick subsystem (kept for the port's lifetime) and returns the port. Joysticks
// are read even while another window has the focus, as a cabinet's controls must be. Returns null,
// with the reason in *error when given, when the subsystem cannot start. GUI thread.
std::unique_ptr<ControllerPort> createSdlControllerPort(std::string* error);

// SDL's axis value (-32768..32767) scaled to -1000..1000, rounded toward 0, so that a full
// deflection is exactly 1000 either way.
int scaleControllerAxis(int sdlValue);

// SDL's axis value as a raw system-joystick position 0..65535.
uint32_t rawSystemAxis(int sdlValue);

// Virtual controllers for tests: each behaves like a plugged-in joystick with the given product
// name, axes and buttons, until it is detached (like pulling the plug) or the helper is destroyed.
// Values set here reach readers at their next read. GUI thread.
class VirtualControllers {
public:
    // Starts the joystick subsystem for the helper's lifetime; null with the reason in *error.
    static std::unique_ptr<VirtualControllers> create(std::string* error);
    ~VirtualControllers();
    VirtualControllers(const VirtualControllers&) = delete;
    VirtualControllers& operator=(const VirtualControllers&) = delete;

    // Plugs in a controller; returns its id (0, 1, ...) or -1 when SDL refused it.
    int attach(const std::string& name, int axes, int buttons);
    // `axis` and `button` count from 0; `value` is SDL's -32768..32767. False for a bad id.
    bool setAxis(int id, int axis, int value);
    bool setButton(int id, int button, bool down);
    // Pulls the controller's plug. False for a bad or already detached id.
    bool detach(int id);

private:
    VirtualControllers() = default;
    struct Attached;
    std::vector<std::unique_ptr<Attached>> attached_;
};
