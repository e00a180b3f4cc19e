// The ShowMenu command: builds the options menu from the settings, lets the players work it in
// a menu window, then writes every value back and starts or stops the music. There is no
// cancel: leaving the menu applies what it shows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/menu_model.h"
#include "ui/popup_loop.h"

// Where the font choices come from; by default the installed scalable fonts.
using FontNameSource = std::function<std::vector<std::string>()>;

// Returns false at once, showing nothing, when AllowMenu is 0. Otherwise shows the menu and,
// after it closed, writes the settings back and returns true: the caller then re-filters the
// catalogue keeping the selected game by romname, marks the page dirty, recomposes the frame,
// waits 300 ms and drains the keys. GUI thread; blocks until the players leave the menu.
bool runOptionsMenu(PopupContext& context, const JukeboxHooks& jukebox,
                    const FontNameSource& fontNames = {});
