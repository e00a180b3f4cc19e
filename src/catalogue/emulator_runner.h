// Running the emulator: the three ways the launcher starts it (version query, list export and
// game play) over the platform's process runner, with the user-facing failure messages.
#pragma once

#include <optional>
#include <string>

#include "platform/message_box.h"

// Runs `commandLine` in `workingDirectory` with its standard output and error sent to
// `outputPath` (created or truncated), and waits for its end. Returns 1 when the child ran,
// 0 when the file could not be created ("Failed to create file [%s]!") or the child could not be
// started ("Failed to execute [%s]!"); both are shown in `boxes` with the caption "Error".
// `exitCodeOut` may be null. GUI thread; blocks without a time limit.
int runProcessToFile(const std::string& commandLine, const std::string& workingDirectory,
                     const std::string& outputPath, int* exitCodeOut, MessageBoxes& boxes);

// The first line of "<emulatorPath> -help" (at most 254 bytes, without its line feed), run in
// the temporary folder; the emulator's version, compared whole with LastMameVersion and never
// interpreted. Empty optional when any step fails or the output is empty. The temporary output
// file is removed in every outcome.
std::optional<std::string> probeEmulatorVersion(const std::string& emulatorPath,
                                                MessageBoxes& boxes);
