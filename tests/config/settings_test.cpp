#include "config/settings.h"

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

#define FIELD(name) [](const LauncherSettings& s) -> long long { return s.name; }

TEST(LoadSettings, ConvertsEachKindOfValue)
{
    const struct {
        const char* line;  // "[Section]\nKey=", completed by each value
        long long (*get)(const LauncherSettings&);
        std::vector<std::pair<const char*, long long>> values;
    } fields[] = {
        // clang-format off
        {"[Settings]\nUseJoystick=", FIELD(UseJoystick),
         {{"", 1}, {" 0 ", 0}, {"00", 1}, {"false", 1}}},
        {"[Settings]\nOrientation=", FIELD(Orientation),
         {{"Inverted", 180}, {"inverted", 0}, {"ROL", -90}, {"ROR", 90}}},
        {"[Settings]\nMenuType=", FIELD(MenuType), {{"ImageBrowser", 2}, {"imagebrowser", 1}}},
        {"[Settings]\nPreviewPictures=", FIELD(PreviewPictures), {{"Flyers", 2}, {"FLYERS", 1}}},
        {"[Settings]\nFontcolor=", FIELD(Fontcolor), {{"FF0000", 0xFF0000}, {"0xFF0000", 0xFF0000},
         {"red", 0}, {"0x0000FFzz", 0xFF}, {"FFFFFFFFF", 0x7FFFFFFF} /* strtol saturates */}},
        {"[keymappings]\nexit=", FIELD(Keymappings.Exit),
         {{"abc", 0}, {" 65x", 65}, {"99999999999", INT32_MAX}}},
        {"[RomOptions]\nMinPlayers=", FIELD(MinPlayers),
         {{"65535", -1}, {"70000", 4464}, {"x", 0}}},
        // clang-format on
    };
    for (const auto& field : fields) {
        for (const auto& [value, expected] : field.values) {
            const std::string text = field.line + std::string(value);
            EXPECT_EQ(field.get(loadSettings(ProfileFile::fromText(text))), expected) << text;
        }
    }
}

// Nothing a user can put at the settings path may crash or hang loading or lose readable values.
TEST(LoadSettings, BadInputGivesDefaultsOrTheReadableValues)
{
    TempFolder folder;
    fs::create_directory(folder.path("folder.ini"));
    ASSERT_EQ(std::system(("mkfifo " + folder.path("fifo.ini")).c_str()), 0);
    constexpr char kBinary[] =
        "\x7F"
        "ELF\0\xFF\n[Settings]\nFontsize=0\0"
        "9\nFontface=A\0B\n\xFE";
    folder.write("binary.ini", std::string(kBinary, sizeof kBinary - 1));
    folder.write("long.ini", "[Settings]\n" + std::string(1 << 20, 'k') + "=v\nx" +
                                 std::string(1 << 20, 'v') + "\nFontsize=30\n");
    folder.write("noequals.ini", "[Settings]\nFontsize 40\nFontsize\nMenuFontSize=5\n");
    // clang-format off
    const std::pair<std::string, int> cases[] = {
        {folder.path("missing.ini"), 18}, {folder.path("folder.ini"), 18},
        {folder.path("fifo.ini"), 18}, {"/dev/zero", 18}, {folder.path("binary.ini"), 0},
        {"/proc/self/mem", 18},  // a regular file whose read fails: an error, not a retry
        {folder.path("long.ini"), 30}, {folder.path("noequals.ini"), 18}};
    // clang-format on
    for (const auto& [path, fontsize] : cases) {
        const LauncherSettings s = loadSettings(path);
        EXPECT_EQ(s.Fontsize, fontsize) << path;
        EXPECT_EQ(std::tie(s.MameExe, s.SelectedGame, *s.LastMameVersion, s.Keymappings.Exit),
                  std::tuple("c:\\fix_the_ini_file.exe", "0", "0", 27))
            << path;
    }
    EXPECT_EQ(loadSettings(folder.path("binary.ini")).Fontface, "A");
    EXPECT_EQ(loadSettings(folder.path("noequals.ini")).MenuFontSize, 5);
}

TEST(SaveSettings, NewFileHoldsOnlyTheSavedKeysAndEveryValueRoundTrips)
{
    TempFolder folder;
    const std::string path = folder.path("launcher.ini");
    LauncherSettings s;
    s.Orientation = 45;  // not a known orientation: nothing is written
    ASSERT_TRUE(saveSettings(s, std::nullopt, path));
    EXPECT_EQ(readFile(path),
              "[Settings]\nUseDirectInput=1\nMenuType=ListView\nPreviewPictures=ScreenShots\n"
              "Fontface=Arial\nFontsize=18\nMenuFontSize=12\nStatusBarFontFace=Arial\n"
              "StatusBarFontSize=12\nShowStatusBar=1\nShowMusicStatusBar=1\n"
              "MusicPlayAtStartup=0\nMusicRandomPlay=0\nMusicStopDuringGame=1\n"
              "MusicRepeatSong=0\nMusicRepeatPlaylist=1\n[System]\nLastMameVersion=0\n"
              "[RomOptions]\nDisplayMissingRoms=0\nDisplayVertical=1\nDisplayHorizontal=1\n"
              "DisplayClones=1\nDisplayNeoGeo=1\nDisplayNonNeoGeo=1\nDisplayVector=1\n"
              "DisplayRaster=1\nMinPlayers=0\nMaxPlayers=8\nMinButtons=0\nMaxButtons=8\n"
              "MinCoins=0\nMaxCoins=8\n");

    // Every saved value differs from its default; the others stay at theirs.
    std::tie(s.UseDirectInput, s.MenuType, s.PreviewPictures, s.LastMameVersion, s.Fontface,
             s.Fontsize, s.MenuFontSize, s.StatusBarFontFace, s.StatusBarFontSize,
             s.DisplayMissingRoms, s.DisplayVertical, s.DisplayHorizontal, s.DisplayClones,
             s.DisplayNeoGeo, s.DisplayNonNeoGeo, s.DisplayVector, s.DisplayRaster, s.MinPlayers,
             s.MaxPlayers, s.MinButtons, s.MaxButtons, s.MinCoins, s.MaxCoins, s.ShowStatusBar,
             s.ShowMusicStatusBar, s.Orientation, s.MusicPlayAtStartup, s.MusicRandomPlay,
             s.MusicStopDuringGame, s.MusicRepeatSong, s.MusicRepeatPlaylist) =
        std::tuple(0, 2, 2, "0.251 (mame0251)", "Serif", 31, 9, "Sans", 7, 1, 0, 0, 0, 0, 0, 0, 0,
                   -2, 3, 1, 5, 2, 4, 0, 0, 180, 1, 1, 0, 1, 0);
    s.CurrentOrientation = 180;  // loading sets both
    s.SelectedGame = "1942";
    ASSERT_TRUE(saveSettings(s, s.SelectedGame, path));
    const LauncherSettings r = loadSettings(path);
    EXPECT_TRUE(r == s) << readFile(path);
    const std::string first = readFile(path);  // saving what was just loaded changes nothing
    ASSERT_TRUE(saveSettings(r, std::string("1942"), path));
    EXPECT_EQ(readFile(path), first);
    // Every known orientation is written by its name, over the one the file holds.
    for (const int orientation : {-90, 90, 0}) {
        s.Orientation = orientation;
        ASSERT_TRUE(saveSettings(s, std::nullopt, path));
        EXPECT_EQ(loadSettings(path).Orientation, orientation);
    }
}

TEST(SaveSettings, KeepsTheUsersFileAsWritten)
{
    TempFolder folder;
    const std::string path = folder.write(
        "launcher.ini",
        "\xEF\xBB\xBF; my cabinet\r\n[Settings]\r\nUseDirectInput = yes\r\nUseJoystick = yes\r\n"
        "MenuType=imagebrowser\r\nOrientation=ROL\r\nFontcolor=0x0000FF ; red\r\nMyOwnKey=kept\r\n"
        "\r\n[System]\r\nSelectedGame=sf2\r\nLastMameVersion=0.250\r\n[Keymappings]\r\nExit=27\r\n"
        "[Sounds]\r\nStartup=\r\nError=e.wav\r\n[Mameoptions]\r\nsf2 = -nosound");
    LauncherSettings s = loadSettings(path);
    EXPECT_EQ(s.Sounds.Startup, std::nullopt);  // an empty sound is no sound
    EXPECT_EQ(s.Sounds.Error, "e.wav");
    EXPECT_EQ(readProfileText("Mameoptions", "SF2", "", path), "-nosound");
    s.CurrentOrientation = 90;         // a player-2 turn at exit is not saved
    s.LastMameVersion = std::nullopt;  // the version probe failed: the key goes
    ASSERT_TRUE(saveSettings(s, std::string("pacman"), path));
    const std::string saved = readFile(path);
    EXPECT_THAT(saved, testing::StartsWith(
                           "\xEF\xBB\xBF; my cabinet\r\n[Settings]\r\nUseDirectInput = 1\r\n"
                           "UseJoystick = yes\r\nMenuType=ListView\r\nOrientation=ROL\r\n"
                           "Fontcolor=0x0000FF ; red\r\nMyOwnKey=kept\r\nPreviewPictures="));
    EXPECT_THAT(saved, testing::HasSubstr("MusicRepeatPlaylist=1\r\n\r\n[System]\r\nSelectedGame="
                                          "pacman\r\n[Keymappings]\r\nExit=27\r\n[Sounds]\r\n"
                                          "Startup=\r\nError=e.wav\r\n[Mameoptions]\r\n"
                                          "sf2 = -nosound\r\n[RomOptions]\r\n"));
}

TEST(SaveSettings, FailureIsReportedAndLosesNothing)
{
    TempFolder folder;
    const std::string locked = folder.write("locked.ini", "[Settings]\nFontsize=20\n");
    const std::string readOnly = folder.write("readonly.ini", "[Settings]\nFontsize=20\n");
    fs::permissions(locked, fs::perms::none);
    fs::permissions(readOnly, fs::perms::owner_read);
    const bool root = std::ifstream(locked).is_open();  // root may read anything
    EXPECT_EQ(loadSettings(locked).Fontsize, root ? 20 : 18);
    fs::create_directory(folder.path("folder.ini"));
    fs::create_symlink("loop.ini", folder.path("loop.ini"));  // cannot be opened, even by root
    // A file its owner made read-only (the last two) is left alone even by root, who could
    // write it.
    for (const std::string& path :
         {folder.path("missing/launcher.ini"), locked + "/launcher.ini", folder.path("folder.ini"),
          folder.path("loop.ini"), std::string("/dev/null"), locked, readOnly}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(saveSettings(LauncherSettings{}, std::string("pacman"), path)) << path;
        EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr(path));
    }
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_EQ(readFile(locked) + readFile(readOnly),
              "[Settings]\nFontsize=20\n[Settings]\nFontsize=20\n");
    EXPECT_TRUE(fs::is_directory(folder.path("folder.ini")));
    EXPECT_TRUE(fs::is_symlink(folder.path("loop.ini")));
    EXPECT_EQ(folder.entries(), 4);
}
