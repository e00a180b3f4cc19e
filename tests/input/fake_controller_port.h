// A scripted controller port: tests set what is attached and what each read returns. InputRig
// wires one to the settings, the keyboard, the joystick and the input actions.
#pragma once

#include <sstream>

#include "input/input_actions.h"
#include "platform/controller.h"

class FakeControllerPort final : public ControllerPort {
public:
    std::vector<ControllerInfo> listControllers() override { return attached; }
    std::optional<ControllerInfo> openController(const std::string& name) override
    {
        for (const ControllerInfo& info : attached) {
            if (name.empty() || info.name == name) {
                chosen = info;
                return info;
            }
        }
        chosen.reset();
        return std::nullopt;
    }
    std::optional<ControllerState> readController() override
    {
        return chosen ? controllerState : std::nullopt;
    }
    void closeController() override { chosen.reset(); }
    std::optional<SystemJoystickRanges> openSystemJoystick() override
    {
        if (attached.empty()) return std::nullopt;
        return ranges;
    }
    std::optional<SystemJoystickState> readSystemJoystick() override { return systemState; }

    std::vector<ControllerInfo> attached;
    std::optional<ControllerInfo> chosen;
    std::optional<ControllerState> controllerState = ControllerState{};
    std::optional<SystemJoystickState> systemState;
    SystemJoystickRanges ranges;
};

struct InputRig {
    bool setUp() { return setUpControllers(joystick, settings, out); }
    FakeControllerPort port;
    LauncherSettings settings;
    std::ostringstream out;  // the joystick's diagnostics
    Joystick joystick{port, settings, out};
    KeyboardState keyboard;
    InputActions actions{settings, keyboard, joystick};
};
