// The catalogue build run once at start-up: version query, cache or emulator list, a check that
// the history file can be opened, ROM scan, sort and filters, the restored selection, then the
// start of the pieces that depend on a catalogue (controllers, jukebox, sounds, music, the
// music-bar timer).
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "catalogue/browse_position.h"
#include "catalogue/game_record.h"
#include "config/settings.h"
#include "platform/message_box.h"

// The steps that other parts of the launcher supply. An empty member is skipped, except
// showMessage, which then prints its text on standard output.
struct CatalogueBuildHooks {
    std::function<void(const std::string& text)> showMessage;  // progress in the message window
    std::function<void()> closeMessage;
    std::function<void()> discardKeyPresses;  // forget keys pressed while loading
    std::function<void()> setUpControllers;
    std::function<void()> startJukebox;
    std::function<void(const std::string& path)> playStartupSound;  // asynchronously
    std::function<void()> playMusicAtStartup;  // called only when MusicPlayAtStartup is set
    std::function<void()> installMusicHooks;
    std::function<void()> startMusicBarTimer;  // a 1000 ms timer that repaints the music bar
    // Stores LastMameVersion (absent: removes it) in the settings file at once, that key alone,
    // so that a start that fails later still finds the cache it has just written.
    std::function<void(const std::optional<std::string>& version)> recordVersion;
    // The clock that paces the progress texts while the list is read; empty: the steady clock.
    std::function<std::chrono::steady_clock::time_point()> now;
};

// Builds `table` and sets `position` for it. The cache at settings.GameCache is read while the
// emulator is asked for its version (on a thread of its own, whose message boxes are shown
// afterwards) and used while the emulator's version line equals settings.LastMameVersion (or
// cannot be read); otherwise, or when the cache cannot be read, the emulator's list is imported
// while the emulator writes it (with the count of entries read shown a few times a second) and
// the cache rewritten. settings.LastMameVersion takes the probed version (absent when the probe
// failed); when the new cache cannot be written, the old one is removed and the version
// forgotten, so that no later start pairs the new version with the old list. Fatal problems are
// shown in `boxes` with the caption "Error" and give 0; the temporary list file is removed on
// every path. Returns 1 when the launcher can go on. GUI thread; blocks while the emulator runs.
int buildCatalogue(LauncherSettings& settings, GameTable& table, BrowsePosition& position,
                   MessageBoxes& boxes, const CatalogueBuildHooks& hooks);
