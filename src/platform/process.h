// Runs a child program to its end: the one blocking runner behind the emulator's version query,
// its list export and the game launch.
//
// The command line is one text, as the settings file gives it, and is split the way Windows
// programs split theirs (blanks separate words, double quotes group them); the program is then
// executed directly, never through a shell, so nothing in a setting can inject shell syntax.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Splits a command line into words by the Windows rules: spaces and tabs separate words; a
// double quote starts or ends a quoted part in which blanks do not separate; two double quotes
// inside a quoted part give one literal double quote; 2n backslashes before a double quote give
// n backslashes (the quote then quotes), 2n+1 give n backslashes and a literal double quote;
// other backslashes are kept as they are (so "c:\dir\file" keeps its backslashes).
std::vector<std::string> splitCommandLine(const std::string& commandLine);

enum class ProcessOutput {
    Inherit,     // the child writes to the launcher's own standard output and error
    CaptureFile  // standard output and error go to `ProcessRequest::outputPath`
};

struct ProcessRequest {
    std::string commandLine;
    std::string workingDirectory;  // empty: the launcher's current folder
    ProcessOutput output = ProcessOutput::Inherit;
    std::string outputPath;  // created or truncated when output is CaptureFile
    // Called about every 100 ms on the waiting thread while the child runs, when set: the
    // launcher keeps its background music going through a long game this way.
    std::function<void()> whileWaiting;
};

enum class ProcessFailure {
    None,
    EmptyCommand,        // the command line holds no word
    CannotCreateOutput,  // the output file could not be created
    CannotStart,         // the program is missing, not executable, or the folder is bad
    CannotWait           // the child was started but its end could not be observed
};

struct ProcessResult {
    ProcessFailure failure = ProcessFailure::None;
    // The child's exit status: its exit code, or 128 + the signal number when a signal ended it,
    // so that a crashed child never reads as a success. Meaningful when failure is None.
    int exitCode = 0;
    std::string error;  // the reason, for messages and logs, when failure is not None

    bool started() const
    {
        return failure == ProcessFailure::None || failure == ProcessFailure::CannotWait;
    }
};

// Starts the program named by the first word of `request.commandLine` (searched on PATH when it
// holds no "/"; a relative path is resolved against the launcher's current folder, not the
// child's working folder), with the launcher's environment and standard input, in
// `request.workingDirectory`, and blocks the calling thread until it ends, without a time limit.
// Interrupted waits are resumed. Never throws.
ProcessResult runProcess(const ProcessRequest& request);
