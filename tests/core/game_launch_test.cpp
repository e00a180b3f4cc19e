#include "core/game_launch.h"

#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

GameRecord game(const std::string& romname, std::optional<std::string> cloneof = std::nullopt)
{
    GameRecord record;
    record.romname = romname;
    record.description = romname;
    record.cloneof = std::move(cloneof);
    return record;
}

LaunchHooks withOptions(MameOptionsLookup lookup)
{
    LaunchHooks hooks;
    hooks.mameOptions = std::move(lookup);
    return hooks;
}

std::string noOptions(const std::string&) { return {}; }

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
            // What the world looks like while the emulator runs.
            screenSaverDuringRun = screen.screenSaverEnabled;
            suspendedDuringRun = screen.suspendCount > screen.resumeCount;
            musicPausedDuringRun = musicPaused;
            return result;
        };
        hooks.checkProgram = [](const std::string&) { return std::string(); };
        hooks.isMusicPlaying = [this] { return musicPlaying; };
        hooks.pauseMusic = [this](bool paused) {
            musicPaused = paused;
            pauseCalls.push_back(paused);
        };
        launcher = std::make_unique<GameLauncher>(settings, screen, boxes, hooks);
    }

    LauncherSettings settings;
    FakeScreen screen{32, 32};
    RecordingMessageBoxes boxes;
    std::map<std::string, std::string> options;
    std::vector<ProcessRequest> requests;
    ProcessResult result;
    bool musicPlaying = false;
    bool musicPaused = false;
    std::vector<bool> pauseCalls;
    bool screenSaverDuringRun = true;
    bool suspendedDuringRun = false;
    bool musicPausedDuringRun = false;
    std::unique_ptr<GameLauncher> launcher;
};

}  // namespace

TEST(GameLaunch, CommandLinesWithOwnParentEmptyAndNoOptions)
{
    struct Case {
        GameRecord record;
        std::map<std::string, std::string> options;
        std::string expected;
    };
    const Case cases[] = {
        {game("pacman"), {}, "/opt/mame/mame pacman"},  // no trailing blank
        {game("pacman"),
         {{"pacman", "-nofilter -volume -5"}},
         "/opt/mame/mame pacman -nofilter -volume -5"},
        {game("puckman", "pacman"), {{"pacman", "-ror"}}, "/opt/mame/mame puckman -ror"},
        {game("puckman", "pacman"),
         {{"pacman", "-ror"}, {"puckman", "-rol"}},
         "/opt/mame/mame puckman -rol"},
        {game("puckman", "pacman"),
         {{"puckman", ""}, {"pacman", "-ror"}},
         "/opt/mame/mame puckman -ror"},  // an empty value counts as absent
        {game("pacman"), {{"pacman", ""}}, "/opt/mame/mame pacman"},
        {game("galaxian"), {{"pacman", "-ror"}}, "/opt/mame/mame galaxian"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.options = c.options;
        h.result.exitCode = 0;
        int exitCode = -1;
        EXPECT_EQ(h.launcher->launchGame(c.record, exitCode), 1);
        ASSERT_EQ(h.requests.size(), 1u);
        EXPECT_EQ(h.requests[0].commandLine, c.expected);
        EXPECT_EQ(h.requests[0].workingDirectory, "/opt/mame");
        EXPECT_EQ(h.requests[0].output, ProcessOutput::Inherit);
        EXPECT_TRUE(h.boxes.shown.empty());
    }
}

TEST(GameLaunch, WorkingDirectoryIsTheEmulatorsFolder)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/games/mame", "/usr/games"},
        {"./emu/mame", "./emu"},
        {"/mame", "/"},
        {"mame", ""},  // no folder part: the launcher's current folder
        {"c:\\mame\\mame.exe", ""},
    };
    for (const auto& [path, folder] : cases) EXPECT_EQ(emulatorWorkingDirectory(path), folder);
}

TEST(GameLaunch, ScreenSaverMusicAndWindowAroundTheRun)
{
    struct Case {
        int stopDuringGame;
        bool playing;
        std::vector<bool> pauseCalls;
    };
    const Case cases[] = {
        {1, true, {true, false}},
        {1, false, {}},  // nothing playing: nothing paused, nothing resumed
        {0, true, {}},   // the music plays on and is not touched afterwards
    };
    for (const Case& c : cases) {
        Harness h;
        h.settings.MusicStopDuringGame = c.stopDuringGame;
        h.musicPlaying = c.playing;
        int exitCode = -1;
        h.launcher->launchGame(game("pong"), exitCode);
        EXPECT_EQ(h.pauseCalls, c.pauseCalls);
        EXPECT_EQ(h.musicPausedDuringRun, !c.pauseCalls.empty());
        EXPECT_FALSE(h.screenSaverDuringRun);
        EXPECT_TRUE(h.suspendedDuringRun);
        EXPECT_TRUE(h.screen.screenSaverEnabled);
        EXPECT_EQ(h.screen.resumeCount, 1);
    }
}

TEST(GameLaunch, ExitCodesAndStartFailures)
{
    struct Case {
        ProcessFailure failure;
        int exitCode;
        int expectedResult;
        int expectedExitCode;  // -1: untouched
        std::string box;
    };
    const Case cases[] = {
        {ProcessFailure::None, 0, 1, 0, ""},
        {ProcessFailure::None, 3, 1, 3, ""},
        {ProcessFailure::None, 128 + 11, 1, 139, ""},  // killed by SIGSEGV
        {ProcessFailure::CannotStart, 0, 0, -1,
         "Failed to execute [/opt/mame/mame pong]!\nNo such file or directory"},
        {ProcessFailure::CannotWait, 0, 1, 0, "GetExitCodeProcess failed!"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.settings.MusicStopDuringGame = 1;
        h.musicPlaying = true;
        h.result.failure = c.failure;
        h.result.exitCode = c.exitCode;
        h.result.error = c.failure == ProcessFailure::None ? "" : "No such file or directory";
        int exitCode = -1;
        EXPECT_EQ(h.launcher->launchGame(game("pong"), exitCode), c.expectedResult);
        EXPECT_EQ(exitCode, c.expectedExitCode);
        if (c.box.empty()) {
            EXPECT_TRUE(h.boxes.shown.empty());
        } else {
            ASSERT_EQ(h.boxes.shown.size(), 1u);
            EXPECT_EQ(h.boxes.shown[0].text, c.box);
            EXPECT_EQ(h.boxes.shown[0].caption, "Error");
        }
        // Restored on every path.
        EXPECT_TRUE(h.screen.screenSaverEnabled);
        EXPECT_FALSE(h.musicPaused);
    }
}

TEST(GameLaunch, OverlongCommandLineIsRefusedNotCut)
{
    Harness h;
    h.settings.MameExe = "/opt/" + std::string(234, 'm') + "/mame";
    int exitCode = -1;
    EXPECT_EQ(h.launcher->launchGame(game("pacman"), exitCode), 1);  // 251 characters: fine
    h.options["pacman"] = "-xy";
    EXPECT_EQ(h.launcher->launchGame(game("pacman"), exitCode), 1);  // exactly 255
    EXPECT_EQ(h.requests.back().commandLine.size(), 255u);
    h.options["pacman"] = "-xyz";
    EXPECT_EQ(h.launcher->launchGame(game("pacman"), exitCode), 0);  // 256
    EXPECT_EQ(h.requests.size(), 2u);
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_NE(h.boxes.shown[0].text.find("more than the 255 allowed"), std::string::npos);
    EXPECT_EQ(h.screen.suspendCount, 2);
    EXPECT_TRUE(h.screen.screenSaverEnabled);

    h.settings.MameExe = "  ";
    EXPECT_EQ(h.launcher->launchGame(game("pacman"), exitCode), 0);
    EXPECT_EQ(h.requests.size(), 2u);
}

class GameLaunchOnDisk : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("quorvane-launch-" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "emu");
    }
    void TearDown() override { fs::remove_all(folder); }

    // A stand-in emulator that records its folder and arguments, then ends as `ending` says.
    std::string writeEmulator(const std::string& ending)
    {
        const fs::path script = folder / "emu" / "mame";
        std::ofstream(script) << "#!/bin/sh\n"
                              << "{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > \""
                              << (folder / "log").string() << "\"\n"
                              << ending << "\n";
        fs::permissions(script, fs::perms::owner_all);
        return script.string();
    }
    std::string log()
    {
        std::ifstream in(folder / "log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path folder;
};

TEST_F(GameLaunchOnDisk, RealEmulatorRunsInItsFolderWithTheGamesOptions)
{
    const fs::path ini = folder / "launcher.ini";
    std::ofstream(ini) << "[Settings]\nMame.exe=x\n\n[Mameoptions]\nPacMan = -video none\n"
                          "mspacman=\n";
    LauncherSettings settings;
    settings.MameExe = writeEmulator("exit 0");
    FakeScreen screen(8, 8);
    RecordingMessageBoxes boxes;
    GameLauncher launcher(settings, screen, boxes, withOptions(mameOptionsFromFile(ini.string())));
    int exitCode = -1;
    // Keys match without regard to case; the empty clone entry falls back to the parent.
    ASSERT_EQ(launcher.launchGame(game("mspacman", "pacman"), exitCode), 1);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(log(), fs::canonical(folder / "emu").string() + "\n[mspacman]\n[-video]\n[none]\n");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(GameLaunchOnDisk, ExitCodesAndSignalsOfARealChild)
{
    const std::pair<std::string, int> cases[] = {
        {"exit 0", 0}, {"exit 3", 3}, {"kill -s KILL $$", 128 + 9}, {"kill -s SEGV $$", 128 + 11}};
    for (const auto& [ending, expected] : cases) {
        LauncherSettings settings;
        settings.MameExe = writeEmulator(ending);
        FakeScreen screen(8, 8);
        RecordingMessageBoxes boxes;
        GameLauncher launcher(settings, screen, boxes, withOptions(noOptions));
        int exitCode = -1;
        EXPECT_EQ(launcher.launchGame(game("pong"), exitCode), 1) << ending;
        EXPECT_EQ(exitCode, expected) << ending;
    }
}

TEST_F(GameLaunchOnDisk, MissingFolderOrNonExecutableEmulatorIsReportedClearly)
{
    const fs::path plain = folder / "emu" / "plain";
    std::ofstream(plain) << "#!/bin/sh\nexit 0\n";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    const std::pair<std::string, std::string> cases[] = {
        {(folder / "emu" / "missing").string(), "does not exist"},
        {(folder / "emu").string(), "is a folder"},
        {plain.string(), "is not executable"},
    };
    for (const auto& [path, reason] : cases) {
        LauncherSettings settings;
        settings.MameExe = path;
        settings.MusicStopDuringGame = 1;
        FakeScreen screen(8, 8);
        RecordingMessageBoxes boxes;
        bool paused = false;
        LaunchHooks hooks = withOptions(noOptions);
        hooks.isMusicPlaying = [] { return true; };
        hooks.pauseMusic = [&paused](bool p) { paused = p; };
        GameLauncher launcher(settings, screen, boxes, hooks);
        int exitCode = -1;
        EXPECT_EQ(launcher.launchGame(game("pong"), exitCode), 0) << path;
        EXPECT_EQ(exitCode, -1);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text.rfind("Failed to execute [" + path + " pong]!\n", 0), 0u)
            << boxes.shown[0].text;
        EXPECT_NE(boxes.shown[0].text.find(reason), std::string::npos) << boxes.shown[0].text;
        // Refused before anything was switched: the launcher's window never went away.
        EXPECT_EQ(screen.suspendCount, 0);
        EXPECT_FALSE(paused);
        EXPECT_TRUE(screen.screenSaverEnabled);
    }
}

TEST_F(GameLaunchOnDisk, BareProgramNameIsLookedUpOnThePath)
{
    LauncherSettings settings;
    settings.MameExe = "quorvane-no-such-emulator-anywhere";
    FakeScreen screen(8, 8);
    RecordingMessageBoxes boxes;
    GameLauncher launcher(settings, screen, boxes, withOptions(noOptions));
    int exitCode = -1;
    EXPECT_EQ(launcher.launchGame(game("pong"), exitCode), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text.rfind(
                  "Failed to execute [quorvane-no-such-emulator-anywhere pong]!", 0),
              0u);
    EXPECT_EQ(screen.resumeCount, 1);  // the runner found out; the window came back
    EXPECT_TRUE(screen.screenSaverEnabled);

    settings.MameExe = "sh";  // on PATH: runs (and fails on the missing script "pong")
    EXPECT_EQ(launcher.launchGame(game("pong"), exitCode), 1);
    EXPECT_NE(exitCode, 0);
}
