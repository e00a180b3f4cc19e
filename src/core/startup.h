// Start-up and shutdown: the program's two modes, the single-instance guard, the order in which
// the launcher's pieces are built, and the order in which they are saved and released.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kLauncherCaption = "Quorvane v3.0";
inline constexpr const char* kSingleInstanceName = "appQuorvane";
inline constexpr const char* kDefaultSettingsPath = "./launcher.ini";
inline constexpr int kMusicBarTimerId = 0;
inline constexpr int kMusicBarPeriodMs = 1000;

// The command line as the launcher sees it: the program's arguments joined by single blanks.
std::string joinCommandLine(const std::vector<std::string>& arguments);

// True when the arguments ask for the usage text ("--help" or "-h" as an argument of its own).
bool isHelpRequest(const std::vector<std::string>& arguments);

// The usage text printed for --help.
std::string usageText();

// The console listing mode is chosen by "--listjoysticks" anywhere in the command line.
bool isListingMode(const std::string& commandLine);

// The whole command line names the settings file; an empty one means "./launcher.ini".
std::string settingsPathFor(const std::string& commandLine);

// Runs the launcher for `commandLine` and returns the process's exit code: 0 after a normal run
// or the listing mode, 1 when start-up failed or another launcher is running.
int runLauncher(const std::string& commandLine);
