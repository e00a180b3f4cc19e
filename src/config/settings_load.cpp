// Loading the settings record. The file is parsed once and every key is then read from memory in
// the order of the record; each kind of value converts exactly as the Windows calls and C library
// functions of the original format did, so that hand-written files keep their meaning (only the
// exact text "0" switches off, colours are hexadecimal, key codes decimal).
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "config/settings.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace {

// The text accessors of one file; the member initialisers of LauncherSettings give the defaults.
class Reader {
public:
    explicit Reader(const ProfileFile& file) : file_(file) {}

    std::string text(const char* section, const char* key, const std::string& defaultText) const
    {
        return file_.getString(section, key, defaultText);
    }

    std::optional<std::string> optionalText(const char* section, const char* key) const
    {
        std::string value = text(section, key, "");
        if (value.empty()) return std::nullopt;
        return value;
    }

    // Only the exact text "0" switches off: "", "00", "no" and "false" all give 1.
    int switchValue(const char* section, const char* key, int defaultValue) const
    {
        return text(section, key, defaultValue == 0 ? "0" : "1") == "0" ? 0 : 1;
    }

    int number(const char* section, const char* key, int defaultValue) const
    {
        return file_.getInt(section, key, defaultValue);
    }

    // The low 16 bits, read as signed: 65535 gives -1, 70000 gives 4464.
    int16_t smallNumber(const char* section, const char* key, int16_t defaultValue) const
    {
        const auto low =
            static_cast<uint16_t>(static_cast<uint32_t>(number(section, key, defaultValue)));
        return static_cast<int16_t>(low);
    }

    // strtol in base 16 as on Windows, where long has 32 bits: "0x" is optional, conversion stops
    // at the first non-hex character, and out-of-range values saturate.
    uint32_t colour(const char* section, const char* key, uint32_t defaultValue) const
    {
        char defaultText[16];
        std::snprintf(defaultText, sizeof defaultText, "0x%06X", defaultValue);
        const std::string value = text(section, key, defaultText);
        long long parsed = std::strtoll(value.c_str(), nullptr, 16);
        if (parsed > INT32_MAX) parsed = INT32_MAX;
        if (parsed < INT32_MIN) parsed = INT32_MIN;
        return static_cast<uint32_t>(static_cast<int32_t>(parsed));
    }

    // atoi: leading blanks, optional sign, decimal digits; anything else gives 0. Out-of-range
    // values saturate as with the Windows C library instead of being undefined.
    int code(const char* section, const char* key, int defaultValue) const
    {
        const std::string value = text(section, key, std::to_string(defaultValue));
        long long parsed = std::strtoll(value.c_str(), nullptr, 10);
        if (parsed > INT_MAX) parsed = INT_MAX;
        if (parsed < INT_MIN) parsed = INT_MIN;
        return static_cast<int>(parsed);
    }

private:
    const ProfileFile& file_;
};

int orientationFromText(const std::string& text)
{
    if (text == "Inverted") return 180;
    if (text == "ROR") return 90;
    if (text == "ROL") return -90;
    return 0;
}

}  // namespace

LauncherSettings loadSettings(const ProfileFile& file)
{
    const LauncherSettings d;  // the defaults
    LauncherSettings s;
    const Reader r(file);
    const char* settings = "Settings";
    const char* system = "System";
    const char* rom = "RomOptions";

    s.PlaylistFilename = r.text(settings, "PlaylistFilename", d.PlaylistFilename);
    s.UseDirectInput = r.switchValue(settings, "UseDirectInput", d.UseDirectInput);
    s.DirectInputJoystick = r.text(settings, "DirectInputJoystick", d.DirectInputJoystick);
    s.AllowMenu = r.switchValue(settings, "AllowMenu", d.AllowMenu);
    s.UseJoystick = r.switchValue(settings, "UseJoystick", d.UseJoystick);
    s.UseMameInfoDat = r.switchValue(settings, "UseMameInfoDat", d.UseMameInfoDat);
    s.InvertPlayer2Screen = r.switchValue(settings, "InvertPlayer2Screen", d.InvertPlayer2Screen);
    s.ScrollBorderPct = r.number(settings, "ScrollBorderPct", d.ScrollBorderPct);
    s.SelectedGame = r.text(system, "SelectedGame", d.SelectedGame);
    s.LastMameVersion = r.text(system, "LastMameVersion", d.LastMameVersion.value_or("0"));
    s.GameCache = r.text(settings, "GameCache", d.GameCache);
    s.MameExe = r.text(settings, "Mame.exe", d.MameExe);
    s.MameinfoDat = r.text(settings, "Mameinfo.dat", d.MameinfoDat);
    s.RomsDir = r.text(settings, "Roms.dir", d.RomsDir);
    s.SnapshotDir = r.text(settings, "Snapshot.dir", d.SnapshotDir);
    s.FlyerDir = r.text(settings, "Flyer.dir", d.FlyerDir);
    s.Orientation = orientationFromText(r.text(settings, "Orientation", "Normal"));
    s.CurrentOrientation = s.Orientation;
    s.MenuType = r.text(settings, "MenuType", "ListView") == "ImageBrowser" ? kMenuTypeImageBrowser
                                                                            : kMenuTypeListView;
    s.PreviewPictures = r.text(settings, "PreviewPictures", "ScreenShots") == "Flyers"
                            ? kPreviewFlyers
                            : kPreviewScreenShots;
    s.PreviewModeWidth = r.number(settings, "PreviewModeWidth", d.PreviewModeWidth);
    s.PreviewModeHeight = r.number(settings, "PreviewModeHeight", d.PreviewModeHeight);
    s.PreviewModeSpacer = r.number(settings, "PreviewModeSpacer", d.PreviewModeSpacer);
    s.PreviewFontSize = r.number(settings, "PreviewFontSize", d.PreviewFontSize);
    s.Fontface = r.text(settings, "Fontface", d.Fontface);
    s.Fontsize = r.number(settings, "Fontsize", d.Fontsize);
    s.Fontcolor = r.colour(settings, "Fontcolor", d.Fontcolor);
    s.Backgroundcolor = r.colour(settings, "Backgroundcolor", d.Backgroundcolor);
    s.HighlightForecolor = r.colour(settings, "HighlightForecolor", d.HighlightForecolor);
    s.HighlightBackcolor = r.colour(settings, "HighlightBackcolor", d.HighlightBackcolor);
    s.MenuFontSize = r.number(settings, "MenuFontSize", d.MenuFontSize);
    s.PreviewFontcolor = r.colour(settings, "PreviewFontcolor", d.PreviewFontcolor);
    s.PreviewBackgroundcolor =
        r.colour(settings, "PreviewBackgroundcolor", d.PreviewBackgroundcolor);
    s.PreviewHighlightBackcolor =
        r.colour(settings, "PreviewHighlightBackcolor", d.PreviewHighlightBackcolor);

    s.DisplayMissingRoms = r.switchValue(rom, "DisplayMissingRoms", d.DisplayMissingRoms);
    s.DisplayVertical = r.switchValue(rom, "DisplayVertical", d.DisplayVertical);
    s.DisplayHorizontal = r.switchValue(rom, "DisplayHorizontal", d.DisplayHorizontal);
    s.DisplayClones = r.switchValue(rom, "DisplayClones", d.DisplayClones);
    s.DisplayNeoGeo = r.switchValue(rom, "DisplayNeoGeo", d.DisplayNeoGeo);
    s.DisplayNonNeoGeo = r.switchValue(rom, "DisplayNonNeoGeo", d.DisplayNonNeoGeo);
    s.DisplayVector = r.switchValue(rom, "DisplayVector", d.DisplayVector);
    s.DisplayRaster = r.switchValue(rom, "DisplayRaster", d.DisplayRaster);
    s.MinPlayers = r.smallNumber(rom, "MinPlayers", d.MinPlayers);
    s.MaxPlayers = r.smallNumber(rom, "MaxPlayers", d.MaxPlayers);
    s.MinButtons = r.smallNumber(rom, "MinButtons", d.MinButtons);
    s.MaxButtons = r.smallNumber(rom, "MaxButtons", d.MaxButtons);
    s.MinCoins = r.smallNumber(rom, "MinCoins", d.MinCoins);
    s.MaxCoins = r.smallNumber(rom, "MaxCoins", d.MaxCoins);
    s.ControllerTypes = r.smallNumber(rom, "ControllerTypes", d.ControllerTypes);

    const char* keys = "Keymappings";
    const KeyMappingSettings& dk = d.Keymappings;
    KeyMappingSettings& k = s.Keymappings;
    k.SelectUp = r.code(keys, "SelectUp", dk.SelectUp);
    k.SelectDown = r.code(keys, "SelectDown", dk.SelectDown);
    k.SelectPageUp = r.code(keys, "SelectPageUp", dk.SelectPageUp);
    k.SelectPageDown = r.code(keys, "SelectPageDown", dk.SelectPageDown);
    k.StartGame = r.code(keys, "StartGame", dk.StartGame);
    k.ShowMenu = r.code(keys, "ShowMenu", dk.ShowMenu);
    k.Exit = r.code(keys, "Exit", dk.Exit);
    k.GameInfo = r.code(keys, "GameInfo", dk.GameInfo);
    k.P2SelectUp = r.code(keys, "P2SelectUp", dk.P2SelectUp);
    k.P2SelectDown = r.code(keys, "P2SelectDown", dk.P2SelectDown);
    k.P2SelectPageUp = r.code(keys, "P2SelectPageUp", dk.P2SelectPageUp);
    k.P2SelectPageDown = r.code(keys, "P2SelectPageDown", dk.P2SelectPageDown);
    k.P2StartGame = r.code(keys, "P2StartGame", dk.P2StartGame);
    k.P2ShowMenu = r.code(keys, "P2ShowMenu", dk.P2ShowMenu);
    k.P2Exit = r.code(keys, "P2Exit", dk.P2Exit);
    k.P2GameInfo = r.code(keys, "P2GameInfo", dk.P2GameInfo);
    k.MusicPlay = r.code(keys, "MusicPlay", dk.MusicPlay);
    k.MusicStop = r.code(keys, "MusicStop", dk.MusicStop);
    k.MusicNext = r.code(keys, "MusicNext", dk.MusicNext);
    k.MusicPrevious = r.code(keys, "MusicPrevious", dk.MusicPrevious);

    const char* joy = "JoystickMappings";
    const JoystickMappingSettings& dj = d.JoystickMappings;
    JoystickMappingSettings& j = s.JoystickMappings;
    j.SelectUp = r.code(joy, "SelectUp", dj.SelectUp);
    j.SelectDown = r.code(joy, "SelectDown", dj.SelectDown);
    j.SelectPageUp = r.code(joy, "SelectPageUp", dj.SelectPageUp);
    j.SelectPageDown = r.code(joy, "SelectPageDown", dj.SelectPageDown);
    j.StartGame = r.code(joy, "StartGame", dj.StartGame);
    j.ShowMenu = r.code(joy, "ShowMenu", dj.ShowMenu);
    j.Exit = r.code(joy, "Exit", dj.Exit);
    j.GameInfo = r.code(joy, "GameInfo", dj.GameInfo);
    j.PlayMusic = r.code(joy, "PlayMusic", dj.PlayMusic);
    j.StopMusic = r.code(joy, "StopMusic", dj.StopMusic);
    j.NextSong = r.code(joy, "NextSong", dj.NextSong);
    j.PreviousSong = r.code(joy, "PreviousSong", dj.PreviousSong);

    const char* sounds = "Sounds";
    s.Sounds.Startup = r.optionalText(sounds, "Startup");
    s.Sounds.Shutdown = r.optionalText(sounds, "Shutdown");
    s.Sounds.StartGame = r.optionalText(sounds, "StartGame");
    s.Sounds.Error = r.optionalText(sounds, "Error");

    s.ShowStatusBar = r.switchValue(settings, "ShowStatusBar", d.ShowStatusBar);
    s.ShowMusicStatusBar = r.switchValue(settings, "ShowMusicStatusBar", d.ShowMusicStatusBar);
    s.StatusBarFontFace = r.text(settings, "StatusBarFontFace", d.StatusBarFontFace);
    s.StatusBarFontSize = r.number(settings, "StatusBarFontSize", d.StatusBarFontSize);
    s.StatusBarForeColor = r.colour(settings, "StatusBarForeColor", d.StatusBarForeColor);
    s.StatusBarBackColor = r.colour(settings, "StatusBarBackColor", d.StatusBarBackColor);
    s.MusicPlayAtStartup = r.switchValue(settings, "MusicPlayAtStartup", d.MusicPlayAtStartup);
    s.MusicRandomPlay = r.switchValue(settings, "MusicRandomPlay", d.MusicRandomPlay);
    s.MusicStopDuringGame = r.switchValue(settings, "MusicStopDuringGame", d.MusicStopDuringGame);
    s.MusicRepeatSong = r.switchValue(settings, "MusicRepeatSong", d.MusicRepeatSong);
    s.MusicRepeatPlaylist = r.switchValue(settings, "MusicRepeatPlaylist", d.MusicRepeatPlaylist);
    return s;
}

LauncherSettings loadSettings(const std::string& path)
{
    LauncherSettings settings = loadSettings(ProfileFile::load(path));
    // A power cut while the settings or the cache were being replaced leaves a full-size
    // temporary file beside them; nothing else would ever remove it.
    removeStaleWriteTemporaries(path);
    removeStaleWriteTemporaries(settings.GameCache);
    return settings;
}

std::string readProfileText(const std::string& section, const std::string& key,
                            const std::string& defaultText, const std::string& path)
{
    return getPrivateProfileString(section, key, defaultText, path, kProfileBufferSize);
}
