// The launcher's settings record: every tunable, named after its key in the settings file.
//
// The record is filled once by loadSettings() and changed in place at run time by the options
// menu, the player-2 turn and the catalogue build; saveSettings() writes the changeable part
// back. Texts are owned by the record. Colours are GDI colour values laid out 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class ProfileFile;

// Keyboard mappings: Windows virtual-key codes (decimal in the file). 0 switches an action off.
struct KeyMappingSettings {
    int SelectUp = 38;
    int SelectDown = 40;
    int SelectPageUp = 37;
    int SelectPageDown = 39;
    int StartGame = 49;
    int ShowMenu = 50;
    int Exit = 27;
    int GameInfo = 17;
    int P2SelectUp = 82;
    int P2SelectDown = 70;
    int P2SelectPageUp = 68;
    int P2SelectPageDown = 71;
    int P2StartGame = 65;
    int P2ShowMenu = 83;
    int P2Exit = 87;
    int P2GameInfo = 81;
    int MusicPlay = 90;
    int MusicStop = 88;
    int MusicNext = 67;
    int MusicPrevious = 86;
};

// Joystick mappings: one-bit masks (stick directions, then buttons). 0 switches an action off.
struct JoystickMappingSettings {
    int SelectUp = 8;
    int SelectDown = 4;
    int SelectPageUp = 2;
    int SelectPageDown = 1;
    int StartGame = 16;
    int ShowMenu = 32;
    int Exit = 128;
    int GameInfo = 64;
    int PlayMusic = 256;
    int StopMusic = 512;
    int NextSong = 1024;
    int PreviousSong = 2048;
};

// Wave files played on events; an absent value means no sound.
struct SoundSettings {
    std::optional<std::string> Startup;
    std::optional<std::string> Shutdown;
    std::optional<std::string> StartGame;
    std::optional<std::string> Error;
};

enum : int { kMenuTypeListView = 1, kMenuTypeImageBrowser = 2 };
enum : int { kPreviewScreenShots = 1, kPreviewFlyers = 2 };

// The member initialisers are the defaults a missing settings file gives.
struct LauncherSettings {
    // [Settings]
    std::string PlaylistFilename;
    int UseDirectInput = 1;
    std::string DirectInputJoystick;
    int AllowMenu = 1;
    int UseJoystick = 1;
    int UseMameInfoDat = 1;
    int InvertPlayer2Screen = 0;
    int ScrollBorderPct = 20;
    // [System]
    std::string SelectedGame = "0";
    // Absent when the emulator's version probe failed in this run; saving then removes the key.
    std::optional<std::string> LastMameVersion = std::string("0");
    // [Settings]
    std::string GameCache = "0";
    // A placeholder that cannot run: its name in the failure message tells the owner what to do.
    std::string MameExe = "c:\\fix_the_ini_file.exe";  // key "Mame.exe"
    // Relative to the launcher's working folder, like the emulator's own folder defaults.
    std::string MameinfoDat = "./mameinfo.dat";  // key "Mameinfo.dat"
    std::string RomsDir = "./roms";              // key "Roms.dir"
    std::string SnapshotDir = "./snap";          // key "Snapshot.dir"
    std::string FlyerDir = "./flyers";           // key "Flyer.dir"
    int Orientation = 0;         // configured orientation in degrees: 0, 180, 90 or -90
    int CurrentOrientation = 0;  // the orientation the screen is drawn in now
    int MenuType = kMenuTypeListView;
    int PreviewPictures = kPreviewScreenShots;
    int PreviewModeWidth = 184;
    int PreviewModeHeight = 244;
    int PreviewModeSpacer = 20;
    int PreviewFontSize = 8;
    std::string Fontface = "Arial";
    int Fontsize = 18;
    uint32_t Fontcolor = 0x000000;
    uint32_t Backgroundcolor = 0xFFFFFF;
    uint32_t HighlightForecolor = 0x000000;
    uint32_t HighlightBackcolor = 0xFFFFFF;
    int MenuFontSize = 12;
    uint32_t PreviewFontcolor = 0x000000;
    uint32_t PreviewBackgroundcolor = 0xFFFFFF;
    uint32_t PreviewHighlightBackcolor = 0xFFFFFF;
    // [RomOptions]
    int DisplayMissingRoms = 0;
    int DisplayVertical = 1;
    int DisplayHorizontal = 1;
    int DisplayClones = 1;
    int DisplayNeoGeo = 1;
    int DisplayNonNeoGeo = 1;
    int DisplayVector = 1;
    int DisplayRaster = 1;
    int16_t MinPlayers = 0;
    int16_t MaxPlayers = 8;
    int16_t MinButtons = 0;
    int16_t MaxButtons = 8;
    int16_t MinCoins = 0;
    int16_t MaxCoins = 8;
    int16_t ControllerTypes = 127;
    // [Keymappings], [JoystickMappings], [Sounds]
    KeyMappingSettings Keymappings;
    JoystickMappingSettings JoystickMappings;
    SoundSettings Sounds;
    // [Settings]
    int ShowStatusBar = 1;
    int ShowMusicStatusBar = 1;
    std::string StatusBarFontFace = "Arial";
    int StatusBarFontSize = 12;
    uint32_t StatusBarForeColor = 0x000000;
    uint32_t StatusBarBackColor = 0xFFFFFF;
    int MusicPlayAtStartup = 0;
    int MusicRandomPlay = 0;
    int MusicStopDuringGame = 1;
    int MusicRepeatSong = 0;
    int MusicRepeatPlaylist = 1;
};

// Reads every key of the settings file at `path`, in table order. Cannot fail: a missing file
// or key gives the default. Stores the orientation in both Orientation and CurrentOrientation.
// Also removes what an interrupted write left beside the settings file and the game cache.
LauncherSettings loadSettings(const std::string& path);

// The same from a settings file already in memory.
LauncherSettings loadSettings(const ProfileFile& file);

// One text value of the settings file at `path` as GetPrivateProfileStringA gives it into a
// 256-byte buffer: the value or `defaultText`, at most 254 bytes. Used for the per-game
// `Mameoptions` lookup at launch (section "Mameoptions", key = romname, default "").
std::string readProfileText(const std::string& section, const std::string& key,
                            const std::string& defaultText, const std::string& path);

// Writes the changeable settings back to `path`, keeping every other line of the file as it
// was. `selectedRomname` is the romname of the selected game, absent when the list is empty
// (the key is then left alone). The file is replaced atomically. Returns false, after a message
// on standard error, when the file could not be written; nothing is lost in that case.
bool saveSettings(const LauncherSettings& settings,
                  const std::optional<std::string>& selectedRomname, const std::string& path);
