#include "catalogue/rom_filter.h"

#include <string_view>

#include "catalogue/first_record_by_name.h"
#include "platform/files.h"

namespace {

constexpr std::string_view kRomExtension = ".zip";

bool passes(const GameRecord& game, const LauncherSettings& s)
{
    if (!game.input || !game.video) return true;
    const VideoInfo& video = *game.video;
    const InputInfo& input = *game.input;
    if (!s.DisplayMissingRoms) {
        if (!game.present) return false;
        // A clone whose parent is not in the catalogue has no parent ROM to miss.
        if (game.cloneof && game.parent != nullptr && !game.parent->present) return false;
    }
    if (!s.DisplayVertical && video.orientation == 1) return false;
    if (!s.DisplayHorizontal && video.orientation == 2) return false;
    if (!s.DisplayClones && game.cloneof) return false;
    if (input.players < s.MinPlayers || input.players > s.MaxPlayers) return false;
    if (input.buttons < s.MinButtons || input.buttons > s.MaxButtons) return false;
    if (input.coins < s.MinCoins || input.coins > s.MaxCoins) return false;
    if ((input.control & static_cast<uint16_t>(s.ControllerTypes)) == 0) return false;
    const bool neoGeo = game.romof && *game.romof == "neogeo";
    if (!s.DisplayNeoGeo && neoGeo) return false;
    if (!s.DisplayNonNeoGeo && !neoGeo) return false;
    // Every screen type but "vector" (raster, lcd, svg) is a picture of pixels.
    const bool vector = video.screen == "vector";
    if (!s.DisplayVector && vector) return false;
    if (!s.DisplayRaster && !vector) return false;
    return true;
}

}  // namespace

void scanRomFolder(GameTable& table, const std::string& romsDir)
{
    for (auto& game : table.games) game->present = 0;
    // First record of each name in games order: the one a one-by-one search would find.
    const FirstRecordByName byName(table.games);
    forEachFileWithExtension(romsDir, std::string(kRomExtension), [&](std::string_view file) {
        if (GameRecord* game = byName.find(file.substr(0, file.size() - kRomExtension.size())))
            game->present = 1;
    });
}

void filterGames(GameTable& table, const LauncherSettings& settings)
{
    table.filtered.clear();
    for (auto& game : table.games) {
        if (passes(*game, settings)) table.filtered.push_back(game.get());
    }
}
