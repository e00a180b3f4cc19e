// Running the emulator: the three ways the launcher starts it (version query, list export and
// game play) over the platform's process runner, with the user-facing failure messages.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/process.h"

// The Mame.exe setting read as a command line: the program word, quotes removed, then option
// words that every run passes on (`/usr/games/mame -inipath /etc/mame`). A path with blanks must
// be quoted. Command lines are built from the setting as written, which splits into these words.
struct EmulatorCommand {
    std::vector<std::string> words;  // at least the program

    const std::string& program() const { return words.front(); }
    // The program's folder (everything before its last "/"; "/" for a program in the root
    // folder); empty, meaning the launcher's current folder, when it has none.
    std::string folder() const;
};

// Splits the setting; empty optional with a sentence in `problem` when it holds no word or
// leaves a quote open.
std::optional<EmulatorCommand> parseEmulatorCommand(const std::string& mameExe,
                                                    std::string* problem = nullptr);

// Runs `commandLine` in `workingDirectory` with its standard output and error sent to
// `outputPath` (created or truncated), and waits for its end. Returns 1 when the child ran,
// 0 when the file could not be created ("Failed to create file [%s]!") or the child could not be
// started ("Failed to execute [%s]!"); both are shown in `boxes` with the caption "Error".
// `exitCodeOut` may be null. GUI thread; blocks without a time limit.
int runProcessToFile(const std::string& commandLine, const std::string& workingDirectory,
                     const std::string& outputPath, int* exitCodeOut, MessageBoxes& boxes);

// What the runner reported about a run, shown as runProcessToFile shows it:
// 1 when the child ran (its exit code to `exitCodeOut` when not null), 0 after the message.
int reportProcessResult(const ProcessRequest& request, const ProcessResult& result,
                        int* exitCodeOut, MessageBoxes& boxes);

// The first line of "<emulatorPath> -help" (at most 254 bytes, without its line feed), run in
// the temporary folder; the emulator's version, compared whole with LastMameVersion and never
// interpreted. Empty optional when any step fails or the output is empty (a setting that is no
// valid command is shown in `boxes`). The temporary output file is removed in every outcome.
std::optional<std::string> probeEmulatorVersion(const std::string& emulatorPath,
                                                MessageBoxes& boxes);
