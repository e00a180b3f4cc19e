// The options menu as data: a tree of entries built from the settings, changed by the menu
// window while it is open, and written back into the settings when it closes.
//
// An entry holds its choices by value and its current choice as a position, so nothing can
// dangle while the window steps through them. A setting whose value matches none of the choices
// (a face that is not installed, a size of 38 or more, an unknown orientation) leaves the entry
// without a selection: the window shows the setting's own value, and unless a player picks a
// choice, the write-back keeps the setting as it was.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "config/settings.h"

struct MenuItem {
    std::string text;                  // the label at the left
    std::vector<std::string> choices;  // empty for an entry that opens a sub-menu
    int selected = -1;                 // position in choices; -1 when no choice matches
    std::string unmatchedValue;        // shown while selected is -1
    std::vector<MenuItem> submenu;     // empty for an entry with choices

    bool hasSubmenu() const { return choices.empty() && !submenu.empty(); }

    // The value shown at the right: "[...]" for a sub-menu, else the selected choice, else the
    // setting's own value.
    const std::string& shownValue() const;

    // Steps the selection forward or back through the choices, wrapping at either end. An entry
    // without a selection enters the list from its start: forward gives the first choice, back
    // the last. Does nothing for a sub-menu entry.
    void selectNext();
    void selectPrevious();

    // The selected choice, or null when there is none.
    const std::string* selectedChoice() const;
};

using Menu = std::vector<MenuItem>;

// "Yes"/"No"; "Yes" is selected when value is not 0.
MenuItem makeYesNoItem(const std::string& label, int value);
// "0".."8"; the value is clamped to 0..8.
MenuItem makeCountItem(const std::string& label, int value);
// "8".."36" in steps of 2; position value / 2 - 4 (truncating), raised to the first; a value of
// 38 or more selects nothing.
MenuItem makeSizeItem(const std::string& label, int value);
// One choice per installed font name, in the given order; the last name equal to face byte for
// byte is selected, none when no name is equal.
MenuItem makeFontItem(const std::string& label, const std::string& face,
                      const std::vector<std::string>& fontNames);

// Sorts font names in ascending byte order (unsigned, as strcmp does), keeping duplicates.
void sortFontNames(std::vector<std::string>& names);

// The jukebox as far as the menu needs it. Any hook left empty makes the menu treat the music
// as stopped and the write-back do nothing for it.
struct JukeboxHooks {
    std::function<bool()> isMusicPlaying;
    std::function<void()> playMusic;
    std::function<void()> stopMusic;
};

// The label of the entry that opens the music sub-menu.
inline constexpr const char* kMusicJukeboxLabel = "Music Jukebox";

// Builds the whole options menu (25 entries, the last opening the six-entry music sub-menu) from
// the settings, the installed font names (already sorted) and the jukebox state.
Menu buildOptionsMenu(const LauncherSettings& settings, const std::vector<std::string>& fontNames,
                      const JukeboxHooks& jukebox);

// Writes every value of a menu made by buildOptionsMenu back into the settings, top-level rows
// first, then the music sub-menu, whose "Playing" row always ends in a play or stop call.
// Entries without a selection leave their settings unchanged. A menu of another shape is
// written back only as far as its labels match.
void applyOptionsMenu(const Menu& menu, LauncherSettings& settings, const JukeboxHooks& jukebox);
