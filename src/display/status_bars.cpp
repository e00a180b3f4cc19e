#include "display/status_bars.h"

#include <algorithm>
#include <cstdio>

#include "display/text_metrics.h"

namespace {

constexpr std::size_t kMaxBarTextBytes = 255;

StatusTexts cut(StatusTexts texts)
{
    cutToBytes(texts.main, kMaxBarTextBytes);
    cutToBytes(texts.right, kMaxBarTextBytes);
    return texts;
}

std::string minutesSeconds(long ms)
{
    long seconds = std::max(0L, ms) / 1000;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02ld:%02ld", seconds / 60, seconds % 60);
    return buffer;
}

int drawBar(Canvas& canvas, FontCache& fonts, const LauncherSettings& settings,
            const StatusTexts& texts, bool gameBar)
{
    const int orientation = settings.CurrentOrientation;
    const Font& font =
        fonts.selectFont(settings.StatusBarFontFace, settings.StatusBarFontSize, orientation, 0);
    const int T = getLineHeight(font);
    const int cw = getTextWidth(font, texts.right);
    const int W = canvas.width(), H = canvas.height();
    const BarLayout layout = gameBar ? gameBarLayout(orientation, W, H, T, cw)
                                     : musicBarLayout(orientation, W, H, T, cw);
    canvas.fillRect(layout.bar, settings.StatusBarBackColor);
    canvas.drawText(layout.mainOrigin.x, layout.mainOrigin.y, texts.main, font,
                    settings.StatusBarForeColor);
    if (!texts.right.empty())
        canvas.drawText(layout.rightOrigin.x, layout.rightOrigin.y, texts.right, font,
                        settings.StatusBarForeColor);
    return T;
}

}  // namespace

StatusTexts gameStatusTexts(const GameRecord& game, int selectedIndex, int filteredCount)
{
    const char* screen = "Unknown";
    const char* orientation = "Unknown";
    if (game.video) {
        screen = game.video->screen == "vector" ? "Vector" : "Raster";  // lcd and svg too
        orientation = game.video->orientation == 1 ? "Vertical" : "Horizontal";
    }
    StatusTexts texts;
    texts.main = std::string("Screen: ") + screen + "  Orientation: " + orientation + "  \xC2\xA9" +
                 std::to_string(game.year) + ", " +
                 (game.manufacturer ? *game.manufacturer : std::string("Unknown"));
    texts.right = "  " + std::to_string(selectedIndex + 1) + "/" + std::to_string(filteredCount);
    return cut(std::move(texts));
}

StatusTexts musicStatusTexts(const MusicStatus& status)
{
    StatusTexts texts;
    if (!status.playing) {
        texts.main = "Music Stopped";
        return texts;
    }
    // An untagged song must read sensibly, never as an empty pair of quotes or "(null)".
    const std::string title = status.title.empty() ? "Unknown" : status.title;
    const std::string artist = status.artist.empty() ? "Unknown" : status.artist;
    texts.main = "Playing \"" + title + "\" by \"" + artist + "\"";
    if (status.paused)
        texts.right = "<< Paused >>";
    else
        texts.right =
            "  " + minutesSeconds(status.positionMs) + "/" + minutesSeconds(status.lengthMs);
    return cut(std::move(texts));
}

BarLayout gameBarLayout(int orientation, int W, int H, int T, int cw)
{
    switch (orientation) {
        case 180:
            return {{0, 0, W, T}, {W - 6, T}, {cw + 6, T}};
        case 90:
            return {{0, 0, T, H}, {T, 6}, {T, H - cw - 6}};
        case -90:
            return {{W - T, 0, W, H}, {W - T, H - 6}, {W - T, cw + 6}};
        default:
            return {{0, H - T, W, H}, {6, H - T}, {W - cw - 6, H - T}};
    }
}

BarLayout musicBarLayout(int orientation, int W, int H, int T, int cw)
{
    switch (orientation) {
        case 180:
            return {{0, H - T, W, H}, {W - 6, H}, {cw + 6, H}};
        case 90:
            return {{W - T, 0, W, H}, {W, 6}, {W, H - cw - 6}};
        case -90:
            return {{0, 0, T, H}, {0, H - 6}, {0, cw + 6}};
        default:
            return {{0, 0, W, T}, {6, 0}, {W - cw - 6, 0}};
    }
}

int drawGameStatusBar(Canvas& canvas, FontCache& fonts, const LauncherSettings& settings,
                      const GameTable& table, int selectedIndex)
{
    if (!settings.ShowStatusBar) return 0;
    if (selectedIndex < 0 || selectedIndex >= table.filteredCount()) return 0;
    const GameRecord* game = table.filtered[selectedIndex];
    if (!game) return 0;
    return drawBar(canvas, fonts, settings,
                   gameStatusTexts(*game, selectedIndex, table.filteredCount()), true);
}

int drawMusicStatusBar(Canvas& canvas, FontCache& fonts, const LauncherSettings& settings,
                       const MusicStatusQuery& query)
{
    if (!settings.ShowMusicStatusBar || !query) return 0;
    const MusicStatus status = query();
    if (!status.active) return 0;
    return drawBar(canvas, fonts, settings, musicStatusTexts(status), false);
}
