// Glue for the composition root: a pop-up context and jukebox hooks built from the launcher's
// real keyboard state, joystick and jukebox.
#pragma once

#include <functional>

#include "input/joystick.h"
#include "input/keyboard_state.h"
#include "music/jukebox.h"
#include "ui/menu_model.h"
#include "ui/popup_loop.h"

// The context borrows every argument; they must outlive it. Key and focus events taken by a
// pop-up's loop go to the keyboard first; everything else (and, for the record, nothing that
// the keyboard consumed) goes on to `mainWindowHandler`, which may be empty.
PopupContext makePopupContext(Screen& screen, FontCache& fonts, LauncherSettings& settings,
                              Clock& clock, KeyboardState& keyboard, Joystick& joystick,
                              std::function<void(const ScreenEvent&)> mainWindowHandler,
                              std::function<void()> screenTurned);

// Hooks onto the jukebox (borrowed; must outlive the hooks).
JukeboxHooks jukeboxHooks(Jukebox& jukebox);
