// Saving the changeable settings. All keys are applied to one in-memory copy of the file and the
// file is replaced once, atomically, so that a crash or a full disk during shutdown can never
// leave the user's settings file half-written; every line we do not own stays as it was.
#include <cstdio>
#include <string>

#include "config/settings.h"
#include "platform/profile.h"

namespace {

std::optional<std::string> orientationText(int orientation)
{
    switch (orientation) {
        case 0:
            return std::string("Normal");
        case -90:
            return std::string("ROL");
        case 90:
            return std::string("ROR");
        case 180:
            return std::string("Inverted");
        default:
            return std::nullopt;
    }
}

}  // namespace

bool saveSettings(const LauncherSettings& s, const std::optional<std::string>& selectedRomname,
                  const std::string& path)
{
    ProfileFile file = ProfileFile::load(path);
    // Writing over a file we could not read would throw away everything the user put in it.
    if (file.status() == ProfileFile::LoadStatus::Unreadable) {
        std::fprintf(stderr, "Error: settings not saved: %s\n", file.loadError().c_str());
        return false;
    }
    const std::string before = file.text();

    const char* settings = "Settings";
    const char* rom = "RomOptions";
    auto put = [&file](const char* section, const char* key, const std::string& text) {
        file.setString(section, key, text);
    };
    auto putNumber = [&file](const char* section, const char* key, int value) {
        file.setString(section, key, std::to_string(value));
    };

    putNumber(settings, "UseDirectInput", s.UseDirectInput);
    put(settings, "MenuType", s.MenuType == kMenuTypeImageBrowser ? "ImageBrowser" : "ListView");
    put(settings, "PreviewPictures",
        s.PreviewPictures == kPreviewFlyers ? "Flyers" : "ScreenShots");
    if (selectedRomname) put("System", "SelectedGame", *selectedRomname);
    // An absent version (the probe failed) removes the key, so the next start rebuilds the cache.
    file.setString("System", "LastMameVersion", s.LastMameVersion);
    put(settings, "Fontface", s.Fontface);
    putNumber(settings, "Fontsize", s.Fontsize);
    putNumber(settings, "MenuFontSize", s.MenuFontSize);
    put(settings, "StatusBarFontFace", s.StatusBarFontFace);
    putNumber(settings, "StatusBarFontSize", s.StatusBarFontSize);
    putNumber(rom, "DisplayMissingRoms", s.DisplayMissingRoms);
    putNumber(rom, "DisplayVertical", s.DisplayVertical);
    putNumber(rom, "DisplayHorizontal", s.DisplayHorizontal);
    putNumber(rom, "DisplayClones", s.DisplayClones);
    putNumber(rom, "DisplayNeoGeo", s.DisplayNeoGeo);
    putNumber(rom, "DisplayNonNeoGeo", s.DisplayNonNeoGeo);
    putNumber(rom, "DisplayVector", s.DisplayVector);
    putNumber(rom, "DisplayRaster", s.DisplayRaster);
    putNumber(rom, "MinPlayers", s.MinPlayers);
    putNumber(rom, "MaxPlayers", s.MaxPlayers);
    putNumber(rom, "MinButtons", s.MinButtons);
    putNumber(rom, "MaxButtons", s.MaxButtons);
    putNumber(rom, "MinCoins", s.MinCoins);
    putNumber(rom, "MaxCoins", s.MaxCoins);
    putNumber(settings, "ShowStatusBar", s.ShowStatusBar);
    putNumber(settings, "ShowMusicStatusBar", s.ShowMusicStatusBar);
    // The configured orientation, not the one a player-2 turn may have left on screen.
    if (const auto orientation = orientationText(s.Orientation)) {
        put(settings, "Orientation", *orientation);
    }
    putNumber(settings, "MusicPlayAtStartup", s.MusicPlayAtStartup);
    putNumber(settings, "MusicRandomPlay", s.MusicRandomPlay);
    putNumber(settings, "MusicStopDuringGame", s.MusicStopDuringGame);
    putNumber(settings, "MusicRepeatSong", s.MusicRepeatSong);
    putNumber(settings, "MusicRepeatPlaylist", s.MusicRepeatPlaylist);

    // Nothing changed: leave the file (and the cabinet's flash card) alone.
    if (file.status() == ProfileFile::LoadStatus::Loaded && file.text() == before) return true;
    std::string error;
    if (!file.save(path, error)) {
        std::fprintf(stderr, "Error: settings not saved: %s\n", error.c_str());
        return false;
    }
    return true;
}
