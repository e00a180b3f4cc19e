// A scripted controller port: tests set what is attached and what each read returns.
#pragma once

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
