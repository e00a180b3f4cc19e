#include "ui/popup_wiring.h"

PopupContext makePopupContext(Screen& screen, FontCache& fonts, LauncherSettings& settings,
                              Clock& clock, KeyboardState& keyboard, Joystick& joystick,
                              std::function<void(const ScreenEvent&)> mainWindowHandler,
                              std::function<void()> screenTurned)
{
    PopupContext context{screen, fonts, settings, clock, {}, {}, {}, {}, std::move(screenTurned)};
    context.keyActive = [&keyboard](int virtualKey) { return keyboard.keyActive(virtualKey) != 0; };
    context.joystickActive = [&joystick](int mask) { return joystick.joystickActive(mask) != 0; };
    // Presses made before a window opened are forgotten, and so are controls still held from
    // the one that opened or closed it: they act again only after a release.
    context.drainKeys = [&keyboard, &joystick] {
        keyboard.forgetHeldKeys();
        joystick.ignoreHeldInputs();
    };
    context.dispatchMainWindowEvent =
        [&keyboard, handler = std::move(mainWindowHandler)](const ScreenEvent& event) {
            if (!keyboard.handleEvent(event) && handler) {
                handler(event);
            }
        };
    return context;
}

JukeboxHooks jukeboxHooks(Jukebox& jukebox)
{
    return {[&jukebox] { return jukebox.isMusicPlaying(); }, [&jukebox] { jukebox.playMusic(); },
            [&jukebox] { jukebox.stopMusic(); }};
}
