#include "config/settings.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "platform/profile.h"

namespace {

LauncherSettings loadText(const std::string& text)
{
    return loadSettings(ProfileFile::fromText(text));
}

}  // namespace

TEST(LoadSettings, MissingFileGivesTheDocumentedDefaults)
{
    TempFolder folder;
    const LauncherSettings s = loadSettings(folder.path("none.ini"));
    EXPECT_EQ(s.MameExe, "c:\\fix_the_ini_file.exe");
    EXPECT_EQ(s.MameinfoDat, ".\\mameinfo.dat");
    EXPECT_EQ(s.SelectedGame, "0");
    EXPECT_EQ(s.LastMameVersion, "0");
    EXPECT_EQ(s.PlaylistFilename, "");
    EXPECT_EQ(s.Orientation, 0);
    EXPECT_EQ(s.MenuType, kMenuTypeListView);
    EXPECT_EQ(s.Backgroundcolor, 0xFFFFFFu);
    EXPECT_EQ(s.DisplayMissingRoms, 0);
    EXPECT_EQ(s.InvertPlayer2Screen, 0);
    EXPECT_EQ(s.ControllerTypes, 127);
    EXPECT_EQ(s.Keymappings.P2GameInfo, 81);
    EXPECT_EQ(s.JoystickMappings.PreviousSong, 2048);
    EXPECT_EQ(s.Sounds.Startup, std::nullopt);
    EXPECT_EQ(s.MusicRepeatPlaylist, 1);
}

TEST(LoadSettings, ConvertsEachKindOfValue)
{
    using Get = std::function<long long(const LauncherSettings&)>;
    const Get useJoystick = [](const LauncherSettings& s) { return s.UseJoystick; };
    const Get orientation = [](const LauncherSettings& s) {
        EXPECT_EQ(s.CurrentOrientation, s.Orientation);
        return s.Orientation;
    };
    const Get menuType = [](const LauncherSettings& s) { return s.MenuType; };
    const Get pictures = [](const LauncherSettings& s) { return s.PreviewPictures; };
    const Get fontcolor = [](const LauncherSettings& s) { return s.Fontcolor; };
    const Get exitKey = [](const LauncherSettings& s) { return s.Keymappings.Exit; };
    const Get exitMask = [](const LauncherSettings& s) { return s.JoystickMappings.Exit; };
    const Get minPlayers = [](const LauncherSettings& s) { return s.MinPlayers; };
    const Get maxPlayers = [](const LauncherSettings& s) { return s.MaxPlayers; };
    const Get fontsize = [](const LauncherSettings& s) { return s.Fontsize; };
    const struct {
        const char* section;
        const char* key;
        const char* value;
        const Get& get;
        long long expected;
    } cases[] = {
        {"Settings", "UseJoystick", "", useJoystick, 1},
        {"Settings", "UseJoystick", "0", useJoystick, 0},
        {"Settings", "UseJoystick", " 0 ", useJoystick, 0},
        {"Settings", "UseJoystick", "\"0\"", useJoystick, 0},
        {"Settings", "UseJoystick", "00", useJoystick, 1},
        {"Settings", "UseJoystick", "false", useJoystick, 1},
        {"Settings", "Orientation", "Inverted", orientation, 180},
        {"Settings", "Orientation", "inverted", orientation, 0},
        {"Settings", "Orientation", "ROL", orientation, -90},
        {"Settings", "Orientation", "ROR", orientation, 90},
        {"Settings", "Orientation", "Sideways", orientation, 0},
        {"Settings", "MenuType", "ImageBrowser", menuType, 2},
        {"Settings", "MenuType", "imagebrowser", menuType, 1},
        {"Settings", "PreviewPictures", "Flyers", pictures, 2},
        {"Settings", "PreviewPictures", "FLYERS", pictures, 1},
        {"Settings", "Fontcolor", "FF0000", fontcolor, 0xFF0000},
        {"Settings", "Fontcolor", "0xFF0000", fontcolor, 0xFF0000},
        {"Settings", "Fontcolor", "red", fontcolor, 0},
        {"Settings", "Fontcolor", "0x0000FFzz", fontcolor, 0xFF},
        {"Settings", "Fontcolor", "FFFFFFFFF", fontcolor, 0x7FFFFFFF},
        {"Settings", "Fontcolor", "-1", fontcolor, 0xFFFFFFFF},
        {"Keymappings", "Exit", "abc", exitKey, 0},
        {"Keymappings", "Exit", " 65x", exitKey, 65},
        {"Keymappings", "Exit", "99999999999", exitKey, INT32_MAX},
        {"keymappings", "exit", "13", exitKey, 13},
        {"JoystickMappings", "Exit", "4096", exitMask, 4096},
        {"RomOptions", "MinPlayers", "65535", minPlayers, -1},
        {"RomOptions", "MinPlayers", "70000", minPlayers, 4464},
        {"RomOptions", "MinPlayers", "abc", minPlayers, 0},
        {"RomOptions", "MaxPlayers", "", maxPlayers, 8},
        {"Settings", "Fontsize", "0x10", fontsize, 16},
        {"Settings", "Fontsize", "-4", fontsize, -4},
    };
    for (const auto& c : cases) {
        const std::string text =
            std::string("[") + c.section + "]\r\n" + c.key + "=" + c.value + "\r\n";
        EXPECT_EQ(c.get(loadText(text)), c.expected) << c.section << "/" << c.key << "=" << c.value;
    }
}

TEST(LoadSettings, TextsAndSounds)
{
    const std::string longPath(300, 'p');
    const LauncherSettings s =
        loadText("[Settings]\nPlaylistFilename=" + longPath +
                 "\nFontface=\"Comic Sans MS\"\nMame.exe = /usr/games/mame \n"
                 "[Sounds]\nStartup=\nShutdown=bye.wav\n");
    EXPECT_EQ(s.PlaylistFilename, std::string(254, 'p'));
    EXPECT_EQ(s.Fontface, "Comic Sans MS");
    EXPECT_EQ(s.MameExe, "/usr/games/mame");
    EXPECT_EQ(s.Sounds.Startup, std::nullopt);
    EXPECT_EQ(s.Sounds.Shutdown, "bye.wav");
}

TEST(ReadProfileText, FindsPerGameOptions)
{
    TempFolder folder;
    const std::string path = folder.path("launcher.ini");
    writeFile(path,
              "[Settings]\r\nsf2=wrong\r\n[Mameoptions]\r\nsf2 = -nosound -skip_gameinfo\r\n");
    EXPECT_EQ(readProfileText("Mameoptions", "SF2", "", path), "-nosound -skip_gameinfo");
    EXPECT_EQ(readProfileText("Mameoptions", "pacman", "", path), "");
}

TEST(SaveSettings, NewFileHoldsOnlyTheSavedKeys)
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
              "MusicRepeatSong=0\nMusicRepeatPlaylist=1\n"
              "[System]\nLastMameVersion=0\n"
              "[RomOptions]\nDisplayMissingRoms=0\nDisplayVertical=1\nDisplayHorizontal=1\n"
              "DisplayClones=1\nDisplayNeoGeo=1\nDisplayNonNeoGeo=1\nDisplayVector=1\n"
              "DisplayRaster=1\nMinPlayers=0\nMaxPlayers=8\nMinButtons=0\nMaxButtons=8\n"
              "MinCoins=0\nMaxCoins=8\n");
}

TEST(SaveSettings, KeepsTheUsersFileAsWritten)
{
    TempFolder folder;
    const std::string path = folder.path("launcher.ini");
    const std::string original =
        "\xEF\xBB\xBF; my cabinet\r\n"
        "[Settings]\r\n"
        "UseDirectInput = yes\r\n"
        "UseJoystick = yes\r\n"
        "MenuType=imagebrowser\r\n"
        "Orientation=ROL\r\n"
        "Fontcolor=0x0000FF ; red\r\n"
        "MyOwnKey=kept\r\n"
        "\r\n"
        "[System]\r\n"
        "SelectedGame=sf2\r\n"
        "LastMameVersion=0.250\r\n"
        "[Keymappings]\r\n"
        "Exit=27\r\n"
        "[Mameoptions]\r\n"
        "sf2=-nosound\r\n";
    writeFile(path, original);
    LauncherSettings s = loadSettings(path);
    s.CurrentOrientation = 90;         // a player-2 turn at exit is not saved
    s.LastMameVersion = std::nullopt;  // the version probe failed: the key goes
    ASSERT_TRUE(saveSettings(s, std::string("pacman"), path));
    const std::string saved = readFile(path);
    const std::string head =
        "\xEF\xBB\xBF; my cabinet\r\n"
        "[Settings]\r\n"
        "UseDirectInput = 1\r\n"
        "UseJoystick = yes\r\n"
        "MenuType=ListView\r\n"
        "Orientation=ROL\r\n"
        "Fontcolor=0x0000FF ; red\r\n"
        "MyOwnKey=kept\r\n"
        "PreviewPictures=ScreenShots\r\n"
        "Fontface=Arial\r\n"
        "Fontsize=18\r\n"
        "MenuFontSize=12\r\n";
    EXPECT_EQ(saved.substr(0, head.size()), head);
    EXPECT_NE(saved.find("\r\n\r\n[System]\r\nSelectedGame=pacman\r\n[Keymappings]\r\nExit=27\r\n"
                         "[Mameoptions]\r\nsf2=-nosound\r\n[RomOptions]\r\n"),
              std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("LastMameVersion"), std::string::npos);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'),
              std::count(saved.begin(), saved.end(), '\r'))
        << "every line end stays CRLF";
}

TEST(SaveSettings, RoundTripsEverySavedValue)
{
    TempFolder folder;
    const std::string path = folder.path("launcher.ini");
    LauncherSettings s;
    s.UseDirectInput = 0;
    s.MenuType = kMenuTypeImageBrowser;
    s.PreviewPictures = kPreviewFlyers;
    s.Fontface = "Liberation Serif";
    s.Fontsize = 31;
    s.MenuFontSize = 9;
    s.StatusBarFontFace = "DejaVu Sans";
    s.StatusBarFontSize = 7;
    s.DisplayMissingRoms = 1;
    s.DisplayClones = 0;
    s.MinPlayers = -2;
    s.MaxCoins = 3;
    s.ShowMusicStatusBar = 0;
    s.Orientation = 180;
    s.MusicRandomPlay = 1;
    s.MusicRepeatPlaylist = 0;
    s.LastMameVersion = "0.251 (mame0251)";
    ASSERT_TRUE(saveSettings(s, std::string("1942"), path));
    const LauncherSettings r = loadSettings(path);
    EXPECT_EQ(r.UseDirectInput, 0);
    EXPECT_EQ(r.MenuType, kMenuTypeImageBrowser);
    EXPECT_EQ(r.PreviewPictures, kPreviewFlyers);
    EXPECT_EQ(r.Fontface, "Liberation Serif");
    EXPECT_EQ(r.Fontsize, 31);
    EXPECT_EQ(r.MenuFontSize, 9);
    EXPECT_EQ(r.StatusBarFontFace, "DejaVu Sans");
    EXPECT_EQ(r.StatusBarFontSize, 7);
    EXPECT_EQ(r.DisplayMissingRoms, 1);
    EXPECT_EQ(r.DisplayClones, 0);
    EXPECT_EQ(r.MinPlayers, -2);
    EXPECT_EQ(r.MaxCoins, 3);
    EXPECT_EQ(r.ShowMusicStatusBar, 0);
    EXPECT_EQ(r.Orientation, 180);
    EXPECT_EQ(r.CurrentOrientation, 180);
    EXPECT_EQ(r.MusicRandomPlay, 1);
    EXPECT_EQ(r.MusicRepeatPlaylist, 0);
    EXPECT_EQ(r.LastMameVersion, "0.251 (mame0251)");
    EXPECT_EQ(r.SelectedGame, "1942");

    // Saving what was just loaded changes nothing.
    const std::string first = readFile(path);
    ASSERT_TRUE(saveSettings(r, std::string("1942"), path));
    EXPECT_EQ(readFile(path), first);
}

TEST(SaveSettings, FailureIsReportedAndLosesNothing)
{
    TempFolder folder;
    writeFile(folder.path("notafolder"), "[Settings]\nFontsize=20\n");
    std::filesystem::create_directory(folder.path("folder.ini"));
    for (const std::string& path :
         {folder.path("missing/launcher.ini"), folder.path("notafolder/launcher.ini"),
          folder.path("folder.ini")}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(saveSettings(LauncherSettings{}, std::string("pacman"), path)) << path;
        EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr(path));
    }
    EXPECT_EQ(readFile(folder.path("notafolder")), "[Settings]\nFontsize=20\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder.path("folder.ini")));
}
