// The catalogue build run once at start-up: version query, cache or emulator list, a check that
// the history file can be opened, ROM scan, sort and filters, the restored selection, then the
// start of the pieces that depend on a catalogue (controllers, jukebox, sounds, music, the
// music-bar timer).
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// What the build reads before it decides between the cache and the emulator's list: the
// emulator's version line (absent when the probe failed), the message boxes the probe asked
// for (shown later on the GUI thread, in order), and the cache's records with readGameCache's
// result (-1 when there is no cache file); a cache read whole (result 1) is also matched against
// the ROM folder and sorted, in case it is kept.
struct CatalogueSources {
    std::optional<std::string> version;
    std::vector<std::pair<std::string, std::string>> probeBoxes;  // text, caption
    GameTable cached;
    int cacheRead = -1;
};

// Starts reading the sources on threads of their own: the version probe, and the cache read,
// ROM scan and sort meanwhile. None needs the window, so the launcher starts them before the
// window appears, which takes a while on some displays. Waiting for the result (or dropping
// it) joins them.
std::future<CatalogueSources> startReadingCatalogueSources(const LauncherSettings& settings);

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
// `sources`, when valid, are the ones startReadingCatalogueSources started for these settings;
// otherwise the build starts them itself.
int buildCatalogue(LauncherSettings& settings, GameTable& table, BrowsePosition& position,
                   MessageBoxes& boxes, const CatalogueBuildHooks& hooks,
                   std::future<CatalogueSources> sources = {});
