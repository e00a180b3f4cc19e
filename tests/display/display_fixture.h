// Shared by the display tests: a temporary folder with real PNG pictures, a small catalogue and
// settings pinned to Liberation Sans so that the golden images do not depend on the machine's
// font fallback.
#pragma once

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "catalogue/game_record.h"
#include "config/settings.h"
#include "platform/image.h"

inline std::string makeTempFolder(const std::string& tag)
{
    std::random_device random;
    for (;;) {
        auto path = std::filesystem::temp_directory_path() /
                    ("quorvane-" + tag + "-" + std::to_string(random()));
        if (std::filesystem::create_directories(path)) return path.string();
    }
}

struct TempFolder {
    explicit TempFolder(const std::string& tag) : path(makeTempFolder(tag)) {}
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

// A w x h picture whose four quadrants have different colours (top-left red, top-right green,
// bottom-left blue, bottom-right the given colour), so a wrong turn shows.
inline Picture quadrantPicture(int w, int h, uint32_t fourth = 0xFFFFFFFF)
{
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            uint32_t c =
                !bottom ? (right ? 0xFF00A000 : 0xFFD00000) : (right ? fourth : 0xFF0000D0);
            p.pixels[static_cast<std::size_t>(y) * w + x] = c;
        }
    return p;
}

inline std::unique_ptr<GameRecord> makeGame(const std::string& romname,
                                            const std::string& description, int year = 1981,
                                            const char* manufacturer = "Namco")
{
    auto game = std::make_unique<GameRecord>();
    game->romname = romname;
    game->description = description;
    game->year = year;
    if (manufacturer) game->manufacturer = manufacturer;
    game->video = std::make_unique<VideoInfo>();
    game->video->screen = "raster";
    game->video->orientation = 1;
    game->present = 1;
    return game;
}

// Settings with a pinned font and colours that make every part of the screen visible.
inline LauncherSettings displaySettings(const std::string& snapshotDir, const std::string& flyerDir)
{
    LauncherSettings s;
    s.SnapshotDir = snapshotDir;
    s.FlyerDir = flyerDir;
    s.Fontface = "Liberation Sans";
    s.StatusBarFontFace = "Liberation Sans";
    s.Fontsize = 18;
    s.StatusBarFontSize = 12;
    s.PreviewFontSize = 8;
    s.Fontcolor = 0x402000;           // dark blue
    s.Backgroundcolor = 0xF0F0F0;     // light grey
    s.HighlightForecolor = 0x0000A0;  // dark red
    s.HighlightBackcolor = 0x80FFFF;  // pale yellow
    s.PreviewFontcolor = 0x202020;
    s.PreviewBackgroundcolor = 0xE0F0E0;
    s.PreviewHighlightBackcolor = 0xD07000;
    s.StatusBarForeColor = 0xFFFFFF;
    s.StatusBarBackColor = 0x604020;
    return s;
}

// Six games, two of them clones; pictures for some (one clone falls back to its parent).
struct SmallCatalogue {
    TempFolder folder{"display"};
    std::string snaps = folder.path + "/snap";
    std::string flyers = folder.path + "/flyers";
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
