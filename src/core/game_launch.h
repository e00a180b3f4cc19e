// Starting a game: the emulator runs with the game's short name and the game's own extra options
// (its [Mameoptions] entry, else its parent's), from the emulator's folder, and the launcher waits
// until it ends. Meanwhile the screen saver is off, the music optionally paused, and the launcher's
// window out of the emulator's way.
#pragma once

#include <functional>
#include <string>

#include "catalogue/game_record.h"
#include "config/settings.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/screen.h"

// The longest command line a launch accepts, as the 256-byte buffers of the settings contract
// allow. Longer ones are refused, never cut: a cut line would run the wrong game or options.
inline constexpr size_t kMaxCommandLineLength = 255;

// The [Mameoptions] value for one key (a romname), "" when the key is absent or empty.
using MameOptionsLookup = std::function<std::string(const std::string& romname)>;
using ProcessRunner = std::function<ProcessResult(const ProcessRequest&)>;

// Reads [Mameoptions] from the settings file at `settingsPath` at each call (values cut to 254
// bytes, as the profile functions do).
MameOptionsLookup mameOptionsFromFile(const std::string& settingsPath);

// The game's options: its own entry, or, when that is empty and the game is a clone, its parent's.
std::string findMameOptions(const GameRecord& game, const MameOptionsLookup& lookup);

// The folder of the emulator program, the first word of the setting with its quotes removed
// (everything before its last "/"; "/" for a program in the root folder). Empty, meaning the
// launcher's current folder, when the program has no folder part or the setting is no command.
std::string emulatorWorkingDirectory(const std::string& mameExe);

// "<emulator> <romname>" or "<emulator> <romname> <options>", the setting as written.
std::string composeLaunchCommandLine(const std::string& mameExe, const std::string& romname,
                                     const std::string& options);

struct LaunchHooks {
    MameOptionsLookup mameOptions;         // required
    ProcessRunner runProcess;              // null: the platform's runProcess
    std::function<bool()> isMusicPlaying;  // null: no music
    std::function<void(bool paused)> pauseMusic;
    // Why the emulator program cannot run ("" when it can), asked before the launcher gives up
    // its screen. Null: emulatorProgramProblem.
    std::function<std::string(const std::string& program)> checkProgram;
    // Called about every 100 ms while the emulator runs (may be null): lets the music move on
    // to its next song during a long game when it is not paused.
    std::function<void()> whileGameRuns;
};

// For a program given as a path (with a "/"): a sentence saying that it does not exist, is a
// folder or is not executable; "" when none applies or the name is a bare one (looked up on PATH
// when it runs).
std::string emulatorProgramProblem(const std::string& program);

// GUI thread. Borrows everything it is given; they must outlive it.
class GameLauncher {
public:
    GameLauncher(const LauncherSettings& settings, Screen& screen, MessageBoxes& messages,
                 LaunchHooks hooks);

    // Runs the game and blocks until the emulator ends. Returns 1 when the emulator was started
    // and has ended, with its exit code in `exitCode` (128 + the signal number when a signal
    // ended it); 0, with a message box shown and `exitCode` untouched, when it could not be
    // started: no emulator set, a command line over 255 characters, a program that does not
    // exist, is a folder or is not executable, or any other start failure. The screen saver and
    // the music are restored on every path.
    int launchGame(const GameRecord& game, int& exitCode);

private:
    const LauncherSettings& settings_;
    Screen& screen_;
    MessageBoxes& messages_;
    LaunchHooks hooks_;
};
