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
        hooks.checkProgram = [](const std::string&) { return std::string(); };
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
    std::vector<ProcessRequest> requests;
    ProcessResult result;
    bool musicPlaying = false, musicPaused = false;
    std::vector<bool> pauseCalls;
    std::array<bool, 3> duringRun{};  // screen saver on, window away, music paused
    int exitCode = -1;
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
        {game("pacman"), {{"pacman", "-nofilter -volume -5"}},
         "/opt/mame/mame pacman -nofilter -volume -5"},
        {game("puckman", "pacman"), {{"pacman", "-ror"}}, "/opt/mame/mame puckman -ror"},
        {game("puckman", "pacman"), {{"pacman", "-ror"}, {"puckman", "-rol"}},
         "/opt/mame/mame puckman -rol"},
        {game("puckman", "pacman"), {{"puckman", ""}, {"pacman", "-ror"}},
         "/opt/mame/mame puckman -ror"},  // an empty value counts as absent
        {game("galaxian"), {{"pacman", "-ror"}}, "/opt/mame/mame galaxian"},
    };
    for (const Case& c : cases) {
        Harness h;
        h.options = c.options;
        EXPECT_EQ(h.launch(c.record), 1);
        ASSERT_EQ(h.requests.size(), 1u);
        EXPECT_EQ(h.requests[0].commandLine, c.expected);
        EXPECT_EQ(h.requests[0].workingDirectory, "/opt/mame");
    }
    const std::pair<std::string, std::string> folders[] = {
        {"./emu/mame", "./emu"}, {"/mame", "/"}, {"mame", ""}};  // "": the current folder
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

TEST(GameLaunch, OverlongCommandLineIsRefusedNotCut)
{
    Harness h;  // 255 characters run; 256 are refused, never cut
    h.settings.MameExe = "/opt/" + std::string(234, 'm') + "/mame";
    h.options["pacman"] = "-xy";
    EXPECT_EQ(h.launch(game("pacman")), 1);
    EXPECT_EQ(h.requests.back().commandLine.size(), 255u);
    h.options["pacman"] = "-xyz";
    EXPECT_EQ(h.launch(game("pacman")), 0);
    EXPECT_EQ(h.requests.size(), 1u);
    EXPECT_NE(h.boxes.shown.at(0).text.find("more than the 255 allowed"), std::string::npos);
    h.settings.MameExe = "  ";
    EXPECT_EQ(h.launch(game("pacman")), 0);
    EXPECT_EQ(h.requests.size(), 1u);
    EXPECT_EQ(h.screen.suspendCount, 1);
}

class GameLaunchOnDisk : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* unit = testing::UnitTest::GetInstance();
        folder = fs::temp_directory_path() /
                 ("quorvane-launch-" + std::to_string(unit->random_seed()) + "-" +
                  unit->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "emu");
    }
    void TearDown() override { fs::remove_all(folder); }

    int launch(const std::string& mameExe, const GameRecord& record, MameOptionsLookup options,
               int& exitCode)
    {
        settings.MameExe = mameExe;
        LaunchHooks hooks;
        hooks.mameOptions = std::move(options);
        GameLauncher launcher(settings, screen, boxes, hooks);
        return launcher.launchGame(record, exitCode);
    }

    fs::path folder;
    LauncherSettings settings;
    FakeScreen screen{8, 8};
    RecordingMessageBoxes boxes;
};

TEST_F(GameLaunchOnDisk, MissingFolderOrNonExecutableEmulatorIsReportedClearly)
{
    const fs::path plain = folder / "emu" / "plain";
    std::ofstream(plain) << "#!/bin/sh\nexit 0\n";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    const std::pair<std::string, std::string> cases[] = {
        {(folder / "emu" / "missing").string(), "does not exist"},
        {(folder / "emu").string(), "is a folder"},
        {plain.string(), "is not executable"},
        {"quorvane-no-such-emulator", ""},  // a bare name: the runner finds out on PATH
    };
    for (const auto& [path, reason] : cases) {
        boxes.shown.clear();
        int exitCode = -1;
        EXPECT_EQ(launch(path, game("pong"), nullptr, exitCode), 0) << path;
        EXPECT_EQ(exitCode, -1);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text.rfind("Failed to execute [" + path + " pong]!", 0), 0u);
        EXPECT_NE(boxes.shown[0].text.find(reason), std::string::npos) << boxes.shown[0].text;
        EXPECT_TRUE(screen.screenSaverEnabled);
    }
    // Only the bare name got as far as the runner; the window came back.
    EXPECT_EQ(screen.suspendCount, 1);
    EXPECT_EQ(screen.resumeCount, 1);
}

TEST_F(GameLaunchOnDisk, OptionsComeFromTheSettingsFile)
{
    const fs::path ini = folder / "launcher.ini";
    std::ofstream(ini) << "[Mameoptions]\nPacMan = -video none\nmspacman=\n";
    // Keys match without regard to case; the empty clone entry falls back to the parent.
    EXPECT_EQ(findMameOptions(game("mspacman", "pacman"), mameOptionsFromFile(ini.string())),
              "-video none");
}
