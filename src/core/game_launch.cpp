#include "core/game_launch.h"

#include <filesystem>
#include <utility>

#include "catalogue/emulator_runner.h"
#include "platform/profile.h"

namespace {

const char* const kErrorCaption = "Error";

std::string failedToExecute(const std::string& commandLine, const std::string& reason)
{
    std::string text = "Failed to execute [" + commandLine + "]!";
    if (!reason.empty()) text += "\n" + reason;
    return text;
}

}  // namespace

MameOptionsLookup mameOptionsFromFile(const std::string& settingsPath)
{
    return [settingsPath](const std::string& romname) {
        return getPrivateProfileString("Mameoptions", romname, "", settingsPath);
    };
}

std::string findMameOptions(const GameRecord& game, const MameOptionsLookup& lookup)
{
    std::string options = lookup(game.romname);
    if (options.empty() && game.cloneof && !game.cloneof->empty()) options = lookup(*game.cloneof);
    return options;
}

std::string emulatorWorkingDirectory(const std::string& mameExe)
{
    const auto command = parseEmulatorCommand(mameExe);
    return command ? command->folder() : std::string();
}

std::string composeLaunchCommandLine(const std::string& mameExe, const std::string& romname,
                                     const std::string& options)
{
    std::string line = mameExe + " " + romname;
    if (!options.empty()) line += " " + options;
    return line;
}

GameLauncher::GameLauncher(const LauncherSettings& settings, Screen& screen, MessageBoxes& messages,
                           LaunchHooks hooks)
    : settings_(settings), screen_(screen), messages_(messages), hooks_(std::move(hooks))
{
    if (!hooks_.runProcess)
        hooks_.runProcess = [](const ProcessRequest& r) { return runProcess(r); };
    if (!hooks_.checkProgram) hooks_.checkProgram = emulatorProgramProblem;
}

std::string emulatorProgramProblem(const std::string& program)
{
    // A bare name is looked up on PATH by the runner; only paths can be checked here.
    if (program.find('/') == std::string::npos) return {};
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(program, error);
    if (!fs::exists(status)) return "The emulator \"" + program + "\" does not exist.";
    if (fs::is_directory(status)) return "The emulator \"" + program + "\" is a folder.";
    const auto exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    if ((status.permissions() & exec) == fs::perms::none)
        return "The emulator \"" + program + "\" is not executable.";
    return {};
}

int GameLauncher::launchGame(const GameRecord& game, int& exitCode)
{
    const std::string& mameExe = settings_.MameExe;
    const std::string options = hooks_.mameOptions ? findMameOptions(game, hooks_.mameOptions) : "";
    const std::string commandLine = composeLaunchCommandLine(mameExe, game.romname, options);

    std::string problem;
    const std::optional<EmulatorCommand> command = parseEmulatorCommand(mameExe, &problem);
    if (!command) {
        messages_.show(problem, kErrorCaption);
        return 0;
    }
    if (commandLine.size() > kMaxCommandLineLength) {
        messages_.show("The command line is " + std::to_string(commandLine.size()) +
                           " characters long, more than the 255 allowed; the game was not "
                           "launched:\n" +
                           commandLine,
                       kErrorCaption);
        return 0;
    }
    if (const std::string why = hooks_.checkProgram(command->program()); !why.empty()) {
        messages_.show(failedToExecute(commandLine, why), kErrorCaption);
        return 0;
    }

    screen_.setScreenSaverEnabled(false);
    bool pausedHere = false;
    if (settings_.MusicStopDuringGame == 1 && hooks_.isMusicPlaying && hooks_.isMusicPlaying() &&
        hooks_.pauseMusic) {
        hooks_.pauseMusic(true);
        pausedHere = true;
    }

    screen_.suspendForChild();
    ProcessRequest request;
    request.commandLine = commandLine;
    request.workingDirectory = command->folder();
    request.whileWaiting = hooks_.whileGameRuns;
    const ProcessResult result = hooks_.runProcess(request);
    screen_.resumeAfterChild();

    if (pausedHere) hooks_.pauseMusic(false);
    screen_.setScreenSaverEnabled(true);

    switch (result.failure) {
        case ProcessFailure::None:
            exitCode = result.exitCode;
            return 1;
        case ProcessFailure::CannotWait:
            // Started, but how it ended is unknown: the run counts, without an exit code.
            messages_.show("GetExitCodeProcess failed!", kErrorCaption);
            exitCode = 0;
            return 1;
        default:
            messages_.show(failedToExecute(commandLine, result.error), kErrorCaption);
            return 0;
    }
}
