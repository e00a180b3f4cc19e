// The two one-line status bars: the game bar on the viewer's bottom edge (the selected game's
// screen, orientation, year and maker, and its position in the list) and the music bar on the
// viewer's top edge (what the jukebox plays and the playing time). Each bar is exactly one line
// of the status bar font thick; nothing is added around the text.
#pragma once

#include <optional>
#include <string>

#include "catalogue/game_record.h"
#include "config/settings.h"
#include "display/font_cache.h"
#include "display/game_pictures.h"
#include "music/music_status.h"
#include "platform/canvas.h"
#include "platform/rect.h"

// Texts of one bar, each at most 255 bytes (cut at a character boundary).
struct StatusTexts {
    std::string main;
    std::string right;  // empty: nothing is written
};

// "Screen: %s  Orientation: %s  ©%i, %s" and "  %i/%i" for the game at `selectedIndex`.
StatusTexts gameStatusTexts(const GameRecord& game, int selectedIndex, int filteredCount);
// 'Playing "%s" by "%s"' with the times or "<< Paused >>", or "Music Stopped".
StatusTexts musicStatusTexts(const MusicStatus& status);

// Where a bar and its texts go on a W x H frame, for thickness T and right-hand text width cw.
struct BarLayout {
    Rect bar;
    Point mainOrigin;
    Point rightOrigin;
};
BarLayout gameBarLayout(int orientation, int W, int H, int T, int cw);
BarLayout musicBarLayout(int orientation, int W, int H, int T, int cw);

// Draws the game bar for the selected game; returns its thickness (0 when ShowStatusBar is 0 or
// the index is not in the filtered view).
int drawGameStatusBar(Canvas& canvas, FontCache& fonts, const LauncherSettings& settings,
                      const GameTable& table, int selectedIndex);

// Draws the music bar; returns its thickness (0 when ShowMusicStatusBar is 0, there is no query
// or the jukebox is not active).
int drawMusicStatusBar(Canvas& canvas, FontCache& fonts, const LauncherSettings& settings,
                       const MusicStatusQuery& query);
