#include "platform/sdl_controller.h"

#include <algorithm>

#include <SDL.h>

// Joystick events are switched off: the launcher polls its controls once per tick, and nobody
// would drain the events, so they would only fill the queue. SDL_JoystickUpdate() is called
// before each read instead; it also notices controllers being plugged in and pulled out.

namespace {

struct JoystickCloser {
    void operator()(SDL_Joystick* joystick) const { SDL_JoystickClose(joystick); }
};
using JoystickHandle = std::unique_ptr<SDL_Joystick, JoystickCloser>;

std::string productName(int deviceIndex)
{
    const char* name = SDL_JoystickNameForIndex(deviceIndex);
    return name != nullptr ? std::string(name) : std::string();
}

bool attached(const JoystickHandle& joystick)
{
    return joystick != nullptr && SDL_JoystickGetAttached(joystick.get()) == SDL_TRUE;
}

class SdlControllerPort final : public ControllerPort {
public:
    ~SdlControllerPort() override
    {
        chosen_.reset();
        system_.reset();
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    std::vector<ControllerInfo> listControllers() override
    {
        SDL_JoystickUpdate();
        std::vector<ControllerInfo> result;
        const int count = SDL_NumJoysticks();
        for (int index = 0; index < count; ++index) {
            ControllerInfo info;
            info.name = productName(index);
            // Counts need an open device; SDL counts opens, so this leaves a chosen one open.
            JoystickHandle joystick(SDL_JoystickOpen(index));
            if (joystick != nullptr) {
                info.axisCount = SDL_JoystickNumAxes(joystick.get());
                info.buttonCount = SDL_JoystickNumButtons(joystick.get());
            }
            result.push_back(std::move(info));
        }
        return result;
    }

    std::optional<ControllerInfo> openController(const std::string& name) override
    {
        closeController();
        SDL_JoystickUpdate();
        auto info = openByName(name);
        if (info) wantedName_ = info->name;
        return info;
    }

    std::optional<ControllerState> readController() override
    {
        if (!wantedName_) return std::nullopt;
        SDL_JoystickUpdate();
        if (!attached(chosen_)) {
            chosen_.reset();
            // Plugged back in (possibly at another position): take the first of the same name.
            if (!openByName(*wantedName_)) return std::nullopt;
        }
        SDL_Joystick* joystick = chosen_.get();
        ControllerState state;
        const int axes = SDL_JoystickNumAxes(joystick);
        if (axes > 0) state.x = scaleControllerAxis(SDL_JoystickGetAxis(joystick, 0));
        if (axes > 1) state.y = scaleControllerAxis(SDL_JoystickGetAxis(joystick, 1));
        if (axes > 2) state.z = scaleControllerAxis(SDL_JoystickGetAxis(joystick, 2));
        const int buttons = std::min(SDL_JoystickNumButtons(joystick), kControllerButtonCount);
        for (int button = 0; button < buttons; ++button)
            state.buttons[button] = SDL_JoystickGetButton(joystick, button) != 0;
        return state;
    }

    void closeController() override
    {
        chosen_.reset();
        wantedName_.reset();
    }

    std::optional<SystemJoystickRanges> openSystemJoystick() override
    {
        SDL_JoystickUpdate();
        system_.reset();
        if (!openFirst()) return std::nullopt;
        return SystemJoystickRanges{};
    }

    std::optional<SystemJoystickState> readSystemJoystick() override
    {
        SDL_JoystickUpdate();
        if (!attached(system_)) {
            system_.reset();
            if (!openFirst()) return std::nullopt;
        }
        SDL_Joystick* joystick = system_.get();
        SystemJoystickState state;
        const int axes = SDL_JoystickNumAxes(joystick);
        state.x = rawSystemAxis(axes > 0 ? SDL_JoystickGetAxis(joystick, 0) : 0);
        state.y = rawSystemAxis(axes > 1 ? SDL_JoystickGetAxis(joystick, 1) : 0);
        const int buttons = std::min(SDL_JoystickNumButtons(joystick), 4);
        for (int button = 0; button < buttons; ++button) {
            if (SDL_JoystickGetButton(joystick, button) != 0) state.buttons |= 1u << button;
        }
        return state;
    }

private:
    // Opens the first attached controller of that product name (any when empty) into chosen_.
    std::optional<ControllerInfo> openByName(const std::string& name)
    {
        const int count = SDL_NumJoysticks();
        for (int index = 0; index < count; ++index) {
            std::string product = productName(index);
            if (!name.empty() && product != name) continue;
            JoystickHandle joystick(SDL_JoystickOpen(index));
            if (joystick == nullptr) continue;  // cannot be prepared: try the next one
            ControllerInfo info{product, SDL_JoystickNumAxes(joystick.get()),
                                SDL_JoystickNumButtons(joystick.get())};
            chosen_ = std::move(joystick);
            return info;
        }
        return std::nullopt;
    }

    bool openFirst()
    {
        if (SDL_NumJoysticks() < 1) return false;
        system_.reset(SDL_JoystickOpen(0));
        return system_ != nullptr;
    }

    JoystickHandle chosen_;
    std::optional<std::string> wantedName_;  // product name of the chosen controller
    JoystickHandle system_;
};

bool startJoystickSubsystem(std::string* error)
{
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        if (error != nullptr) *error = SDL_GetError();
        return false;
    }
    SDL_JoystickEventState(SDL_IGNORE);
    return true;
}

}  // namespace

std::unique_ptr<ControllerPort> createSdlControllerPort(std::string* error)
{
    if (!startJoystickSubsystem(error)) return nullptr;
    return std::make_unique<SdlControllerPort>();
}

int scaleControllerAxis(int sdlValue)
{
    const int value = std::clamp(sdlValue, -32768, 32767);
    return value >= 0 ? value * kControllerAxisLimit / 32767 : value * kControllerAxisLimit / 32768;
}

uint32_t rawSystemAxis(int sdlValue)
{
    return static_cast<uint32_t>(std::clamp(sdlValue, -32768, 32767) + 32768);
}

struct VirtualControllers::Attached {
    SDL_JoystickID instanceId = -1;
    JoystickHandle handle;  // kept open so that values can be set
};

std::unique_ptr<VirtualControllers> VirtualControllers::create(std::string* error)
{
    if (!startJoystickSubsystem(error)) return nullptr;
    return std::unique_ptr<VirtualControllers>(new VirtualControllers());
}

VirtualControllers::~VirtualControllers()
{
    for (size_t id = 0; id < attached_.size(); ++id) detach(static_cast<int>(id));
    attached_.clear();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

int VirtualControllers::attach(const std::string& name, int axes, int buttons)
{
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = static_cast<Uint16>(axes);
    desc.nbuttons = static_cast<Uint16>(buttons);
    desc.name = name.c_str();
    const int deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
    if (deviceIndex < 0) return -1;
    auto entry = std::make_unique<Attached>();
    entry->instanceId = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    entry->handle.reset(SDL_JoystickOpen(deviceIndex));
    if (entry->handle == nullptr) {
        SDL_JoystickDetachVirtual(deviceIndex);
        return -1;
    }
    attached_.push_back(std::move(entry));
    return static_cast<int>(attached_.size()) - 1;
}

bool VirtualControllers::setAxis(int id, int axis, int value)
{
    if (id < 0 || id >= static_cast<int>(attached_.size()) || !attached_[id]->handle) return false;
    const auto clamped = static_cast<Sint16>(std::clamp(value, -32768, 32767));
    return SDL_JoystickSetVirtualAxis(attached_[id]->handle.get(), axis, clamped) == 0;
}

bool VirtualControllers::setButton(int id, int button, bool down)
{
    if (id < 0 || id >= static_cast<int>(attached_.size()) || !attached_[id]->handle) return false;
    return SDL_JoystickSetVirtualButton(attached_[id]->handle.get(), button,
                                        down ? SDL_PRESSED : SDL_RELEASED) == 0;
}

bool VirtualControllers::detach(int id)
{
    if (id < 0 || id >= static_cast<int>(attached_.size()) || !attached_[id]->handle) return false;
    Attached& entry = *attached_[id];
    entry.handle.reset();
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == entry.instanceId)
            return SDL_JoystickDetachVirtual(index) == 0;
    }
    return false;
}
