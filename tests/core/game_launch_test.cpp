#include "core/game_launch.h"

#include <map>

#include <gtest/gtest.h>

#include "catalogue/catalogue_test_util.h"

namespace {

GameRecord game(const std::string& romname, std::optional<std::string> cloneof = std::nullopt)
{
    GameRecord record;
    record.romname = romname;
    record.cloneof = std::move(cloneof);
    return record;
}

// A launcher with a scripted runner that records what the world looks like while it runs.
struct Harness {
    Harness()
    {
        settings.MameExe = "/opt/mame/mame";
        LaunchHooks hooks;
        hooks.mameOptions = [this](const std::string& key) {
            const auto found = options.find(key);
            return found == options.end() ? std::string() : found->second;
        };
        hooks.runProcess = [this](const ProcessRequest& request) {
            requests.push_back(request);
            duringRun = {screen.screenSaverEnabled, screen.suspendCount > screen.resumeCount,
                         musicPaused};
            return result;
        };
        hooks.checkProgram = [this](const std::string& program) {
            checkedProgram = program;
            return programProblem;
        };
        hooks.isMusicPlaying = [this] { return musicPlaying; };
        hooks.pauseMusic = [this](bool paused) { pauseCalls.push_back(musicPaused = paused); };
        launcher = std::make_unique<GameLauncher>(settings, screen, boxes, hooks);
    }
    int launch(const GameRecord& record)
    {
        exitCode = -1;
        return launcher->launchGame(record, exitCode);
    }

    LauncherSettings settings;
    FakeScreen screen{32, 32};
    RecordingMessageBoxes boxes;
    std::map<std::string, std::string> options;
    std::string checkedProgram, programProblem;
    std::vector<ProcessRequest> requests;
    ProcessResult result;
    bool musicPlaying = false, musicPaused = false;
    std::vector<bool> pauseCalls;
    std::array<bool, 3> duringRun{};  // screen saver on, window away, music paused
    int exitCode = -1;
    std::unique_ptr<GameLauncher> launcher;
};

}  // namespace

TEST(GameLaunch, CommandLinesAndWorkingFolder)
{
    Harness h;  // the setting's quotes and option words are kept; the program is checked bare
    h.settings.MameExe = "\"/opt/My Emu/mame\" -inipath /etc";
    h.options = {{"pacman", "-ror"}, {"puckman", "-rol"}, {"mspacman", ""}};
    h.launch(game("galaxian"));            // no options: no trailing blank
    h.launch(game("puckman", "pacman"));   // its own options beat its parent's
    h.launch(game("mspacman", "pacman"));  // an empty entry counts as absent
    ASSERT_EQ(h.requests.size(), 3u);
    EXPECT_EQ(h.requests[0].commandLine, h.settings.MameExe + " galaxian");
    EXPECT_EQ(h.requests[1].commandLine, h.settings.MameExe + " puckman -rol");
    EXPECT_EQ(h.requests[2].commandLine, h.settings.MameExe + " mspacman -ror");
    EXPECT_EQ(h.requests[0].workingDirectory, "/opt/My Emu");
    EXPECT_EQ(h.checkedProgram, "/opt/My Emu/mame");
    // The folder is the program word's, quotes removed; later words are options.
    const std::pair<std::string, std::string> folders[] = {
        {"./emu/mame", "./emu"},
        {"/mame", "/"},
        {"mame", ""},  // "": the current folder
        {"\"/opt/My Emu/mame\" -rompath \"/a b/c\"", "/opt/My Emu"},
        {"/usr/games/mame -inipath /etc/mame", "/usr/games"},
        {"\"/opt/My Emu/mame", ""}};  // an open quote: no command
    for (const auto& [path, folder] : folders) EXPECT_EQ(emulatorWorkingDirectory(path), folder);
}

TEST(GameLaunch, ExitCodesStartFailuresMusicAndScreenSaver)
{
    const std::string noSuchFile = "No such file or directory";
    struct Case {
        ProcessFailure failure;
        int stopDuringGame;
        bool playing;
        std::vector<bool> pauseCalls;
        int expectedResult, expectedExitCode;  // -1: untouched
        std::string box;
    };
    const Case cases[] = {
        {ProcessFailure::None, 1, true, {true, false}, 1, 3, ""},
        {ProcessFailure::None, 1, false, {}, 1, 3, ""},  // nothing playing: nothing paused
        {ProcessFailure::None, 0, true, {}, 1, 3, ""},   // the music plays on, untouched
        {ProcessFailure::CannotStart, 1, true, {true, false}, 0, -1,
         "Failed to execute [/opt/mame/mame pong]!\n" + noSuchFile},
        {ProcessFailure::CannotWait, 1, true, {true, false}, 1, 0, "GetExitCodeProcess failed!"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.settings.MusicStopDuringGame = c.stopDuringGame;
        h.musicPlaying = c.playing;
        h.result = {c.failure, 3, c.failure == ProcessFailure::None ? "" : noSuchFile};
        EXPECT_EQ(h.launch(game("pong")), c.expectedResult);
        EXPECT_EQ(h.exitCode, c.expectedExitCode);
        EXPECT_EQ(h.boxes.shown.empty() ? "" : h.boxes.shown[0].text, c.box);
        EXPECT_EQ(h.pauseCalls, c.pauseCalls);
        // Screen saver off and window away during the run; both restored on every path.
        EXPECT_EQ(h.duringRun, (std::array<bool, 3>{false, true, !c.pauseCalls.empty()}));
        EXPECT_TRUE(h.screen.screenSaverEnabled);
        EXPECT_EQ(h.screen.resumeCount, 1);
    }
}

TEST(GameLaunch, OverlongLineUnparsablePathOrBadProgramIsRefusedBeforeRunning)
{
    Harness h;  // 255 characters run; 256 are refused, never cut
    h.settings.MameExe = "/opt/" + std::string(234, 'm') + "/mame";
    h.options["pacman"] = "-xy";
    EXPECT_EQ(h.launch(game("pacman")), 1);
    EXPECT_EQ(h.requests.back().commandLine.size(), 255u);
    h.options["pacman"] = "-xyz";
    EXPECT_EQ(h.launch(game("pacman")), 0);
    EXPECT_NE(h.boxes.shown.at(0).text.find("more than the 255 allowed"), std::string::npos);
    h.settings.MameExe = "  ";
    EXPECT_EQ(h.launch(game("pacman")), 0);
    h.settings.MameExe = "\"/opt/mame/mame -x";  // the quote left open is named
    EXPECT_EQ(h.launch(game("pacman")), 0);
    EXPECT_EQ(
        h.boxes.shown.back().text,
        "The emulator setting Mame.exe has a quote that is never closed: " + h.settings.MameExe);
    h.settings.MameExe = "/opt/mame/mame";
    h.programProblem = "The emulator is a folder.";
    EXPECT_EQ(h.launch(game("pacman")), 0);
    EXPECT_EQ(h.boxes.shown.back().text,
              "Failed to execute [/opt/mame/mame pacman -xyz]!\nThe emulator is a folder.");
    EXPECT_EQ(h.exitCode, -1);
    EXPECT_EQ(h.requests.size(), 1u);
    EXPECT_EQ(h.screen.suspendCount, 1);
    EXPECT_TRUE(h.screen.screenSaverEnabled);
}

TEST(GameLaunch, EmulatorProgramProblemsAreNamed)
{
    TempFolder folder;
    const std::string plain = folder.write("plain", "#!/bin/sh\nexit 0\n");  // not executable
    for (const auto& [program, problem] :
         {std::pair{folder.dir(), "is a folder"}, {plain, "is not executable"},
          {folder.path("none"), "does not exist"}}) {
        EXPECT_NE(emulatorProgramProblem(program).find(problem), std::string::npos) << program;
    }
    EXPECT_EQ(emulatorProgramProblem("quorvane-no-such-emulator"), "");  // the runner searches PATH
}
