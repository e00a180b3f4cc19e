// Which games the browse screen shows: the ROM folder scan marks the games whose ROM file is
// installed, and the filters build the view from the catalogue and the RomOptions settings.
#pragma once

#include <string>

#include "catalogue/game_record.h"
#include "config/settings.h"

// Sets `present` on every record whose romname plus ".zip" is a file in `romsDir` (the
// extension matched without regard to case, the name exactly), and clears it on all others.
// When several records share a name, only the first in `games` order is marked. A missing
// folder is not an error: every game then counts as missing.
void scanRomFolder(GameTable& table, const std::string& romsDir);

// Rebuilds `filtered` from `games`, in `games` order, keeping the records that pass the
// RomOptions filters of `settings`. A record without input or video details always passes.
// A clone whose parent is not in the catalogue counts as having a present parent.
void filterGames(GameTable& table, const LauncherSettings& settings);
