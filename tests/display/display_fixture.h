// Shared by the display tests and benchmark: a temporary folder with real PNG pictures, a small
// catalogue and settings pinned to Liberation Sans, so the golden images do not depend on the
// machine's font fallback.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "catalogue/game_record.h"
#include "config/settings.h"
#include "config/temp_folder.h"
#include "music/music_status.h"
#include "platform/image.h"

// Quadrants top-left red, top-right green, bottom-left blue, bottom-right `fourth`: a wrong turn
// shows.
inline Picture quadrantPicture(int w, int h, uint32_t fourth = 0xFFFFFFFF)
{
    Picture p{w, h, std::vector<uint32_t>(static_cast<std::size_t>(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.pixels[static_cast<std::size_t>(y) * w + x] =
                y < h / 2 ? (x < w / 2 ? 0xFFD00000 : 0xFF00A000) : (x < w / 2 ? 0xFF0000D0 : fourth);
    return p;
}

inline std::unique_ptr<GameRecord> makeGame(const std::string& romname,
                                            const std::string& description)
{
    auto game = std::make_unique<GameRecord>();
    game->romname = romname;
    game->description = description;
    game->year = 1981;
    game->manufacturer = "Namco";
    game->video = std::make_unique<VideoInfo>();
    game->video->screen = "raster";
    game->video->orientation = 1;
    game->present = 1;
    return game;
}

// Colours that make every part of the screen visible.
inline LauncherSettings displaySettings(const std::string& snapshotDir, const std::string& flyerDir)
{
    LauncherSettings s;
    s.SnapshotDir = snapshotDir;
    s.FlyerDir = flyerDir;
    s.Fontface = s.StatusBarFontFace = "Liberation Sans";
    s.Fontsize = 18;
    s.StatusBarFontSize = 12;
    s.PreviewFontSize = 8;
    s.Fontcolor = 0x402000;
    s.Backgroundcolor = 0xF0F0F0;
    s.HighlightForecolor = 0x0000A0;
    s.HighlightBackcolor = 0x80FFFF;
    s.PreviewFontcolor = 0x202020;
    s.PreviewBackgroundcolor = 0xE0F0E0;
    s.PreviewHighlightBackcolor = 0xD07000;
    s.StatusBarForeColor = 0xFFFFFF;
    s.StatusBarBackColor = 0x604020;
    return s;
}

// A song playing for the music bar.
inline MusicStatus playingAt(long positionMs)
{
    MusicStatus s;
    s.active = s.playing = true;
    s.title = "Galactic Dancing";
    s.artist = "The Arcade Band";
    s.positionMs = positionMs;
    s.lengthMs = 241000;
    return s;
}

// Six games, one clone using its parent's pictures, one without maker or video; pictures of
// several bit depths.
struct SmallCatalogue {
    TempFolder folder;
    std::string snaps = folder.path("snap");
    std::string flyers = folder.path("flyers");
    GameTable table;

    SmallCatalogue()
    {
        std::filesystem::create_directories(snaps);
        std::filesystem::create_directories(flyers);
        const char* names[][2] = {{"pacman", "Pac-Man"},
                                  {"puckman", "Puck Man (Japan set 1)"},
                                  {"galaga", "Galaga"},
                                  {"dkong", "Donkey Kong (US set 1)"},
                                  {"mspacman", "Ms. Pac-Man, a description far too long to fit"},
                                  {"xevious", "Xevious (Namco)"}};
        for (auto& n : names) table.games.push_back(makeGame(n[0], n[1]));
        table.games[1]->cloneof = "pacman";
        table.games[3]->manufacturer.reset();
        table.games[3]->video.reset();
        for (auto& g : table.games) table.filtered.push_back(g.get());
        savePictureAs(quadrantPicture(120, 90), snaps + "/pacman.png", 24);
        savePictureAs(quadrantPicture(60, 100, 0xFFFFFF00), flyers + "/pacman.png", 8);
        savePictureAs(quadrantPicture(100, 80, 0xFF00FFFF), snaps + "/galaga.png", 32);
        savePictureAs(quadrantPicture(80, 60), snaps + "/dkong.png", 108);
        savePictureAs(quadrantPicture(90, 90, 0xFFFF00FF), snaps + "/xevious.png", 24);
    }
};
