#include "display/main_window.h"

#include <algorithm>
#include <cstdio>

#include "display/list_view.h"
#include "display/status_bars.h"
#include "display/text_metrics.h"

Rect viewRectangle(int orientation, int W, int H, int game, int music)
{
    Rect r{0, 0, W, H};
    switch (orientation) {
        case 180:
            r.top += game;
            r.bottom -= music;
            break;
        case 90:
            r.left += game;
            r.right -= music;
            break;
        case -90:
            r.left += music;
            r.right -= game;
            break;
        default:
            r.top += music;
            r.bottom -= game;
            break;
    }
    return r;
}

namespace {

// Below this the empty view's text would be unreadable anyway; it is cut by the frame instead.
constexpr int kMinEmptyViewFontSize = 6;

}  // namespace

std::vector<std::string> emptyViewLines(int catalogueCount, const std::string& romsDir)
{
    char count[96];
    std::snprintf(count, sizeof count, "The catalogue holds %d game%s,", catalogueCount,
                  catalogueCount == 1 ? "" : "s");
    return {count, catalogueCount == 1 ? "but it does not pass the ROM folder and the filters."
                                       : "but none passes the ROM folder and the filters.",
            "ROM folder: " + romsDir, "The options menu can change the filters."};
}

Point turnedTextOrigin(int orientation, int W, int H, Point viewer)
{
    // The viewer's top edge is the screen's bottom in 180, its right in 90, its left in -90.
    switch (orientation) {
        case 180:
            return {W - viewer.x, H - viewer.y};
        case 90:
            return {W - viewer.y, viewer.x};
        case -90:
            return {viewer.y, H - viewer.x};
        default:
            return viewer;
    }
}

Point emptyViewLineOrigin(int orientation, int W, int H, int lineWidth, int lineHeight, int index,
                          int count)
{
    const bool quarter = isQuarterTurn(orientation);
    const int viewerWidth = quarter ? H : W;
    const int viewerHeight = quarter ? W : H;
    const int x = (viewerWidth - lineWidth) / 2;
    const int y = (viewerHeight - count * lineHeight) / 2 + index * lineHeight;
    return turnedTextOrigin(orientation, W, H, {x, y});
}

BrowseDisplay::BrowseDisplay(const LauncherSettings& settings, const GameTable& table,
                             BrowsePosition& position)
    : settings_(settings), table_(table), position_(position)
{
}

void BrowseDisplay::composeFrame(Canvas& frame)
{
    const int W = frame.width(), H = frame.height();
    frame.fillRect(Rect{0, 0, W, H}, settings_.MenuType == kMenuTypeListView
                                         ? settings_.Backgroundcolor
                                         : settings_.PreviewBackgroundcolor);
    composedFrame_ = &frame;
    composedOrientation_ = settings_.CurrentOrientation;
    composedWidth_ = W;
    composedHeight_ = H;
    if (table_.filteredCount() < 1) {
        gameBarThickness_ = 0;
        musicBarThickness_ = 0;
        drawEmptyView(frame);
        return;
    }
    // The browse controller keeps the selection inside the view; a stale one is drawn clamped.
    const int selected = std::clamp(position_.selectedIndex, 0, table_.filteredCount() - 1);
    gameBarThickness_ = drawGameStatusBar(frame, fonts_, settings_, table_, selected);
    drawMusicBar(frame, musicSnapshot());
    const Rect view =
        viewRectangle(settings_.CurrentOrientation, W, H, gameBarThickness_, musicBarThickness_);
    if (settings_.MenuType == kMenuTypeImageBrowser)
        imageBrowser_.draw(frame, fonts_, pictures_, settings_, table_, position_, view,
                           gameBarThickness_);
    else
        drawListView(frame, fonts_, pictures_, settings_, table_, position_, view,
                     !cornerPicturesHeld_);
}

void BrowseDisplay::drawEmptyView(Canvas& frame)
{
    const int orientation = settings_.CurrentOrientation;
    const Colorref ink =
        settings_.MenuType == kMenuTypeListView ? settings_.Fontcolor : settings_.PreviewFontcolor;
    const std::vector<std::string> lines =
        emptyViewLines(table_.gameCount(), settings_.RomsDir);
    const int count = static_cast<int>(lines.size());
    auto widest = [&lines](const Font& f) {
        int w = 0;
        for (const std::string& line : lines) w = std::max(w, getTextWidth(f, line));
        return w;
    };
    // The list font, made smaller when the text (a long ROM folder, a small screen) would not
    // fit across the view: width scales with the size, so one step gets close, a few more fit.
    const int room = (isQuarterTurn(orientation) ? frame.height() : frame.width()) - 24;
    int size = settings_.Fontsize;
    const Font* font = &fonts_.selectFont(settings_.Fontface, size, orientation, 0);
    if (const int w = widest(*font); w > room && w > 0)
        size = std::max(kMinEmptyViewFontSize, size * std::max(room, 0) / w);
    for (int tries = 0; tries < 4; ++tries) {
        font = &fonts_.selectFont(settings_.Fontface, size, orientation, 0);
        if (size <= kMinEmptyViewFontSize || widest(*font) <= room) break;
        --size;
    }
    for (int i = 0; i < count; ++i) {
        const std::string& line = lines[static_cast<size_t>(i)];
        const Point at = emptyViewLineOrigin(orientation, frame.width(), frame.height(),
                                             getTextWidth(*font, line), getLineHeight(*font), i,
                                             count);
        frame.drawText(at.x, at.y, line, *font, ink);
    }
}

bool BrowseDisplay::composedAsNow(const Canvas& frame) const
{
    return composedFrame_ == &frame && composedOrientation_ == settings_.CurrentOrientation &&
           composedWidth_ == frame.width() && composedHeight_ == frame.height();
}

MusicStatus BrowseDisplay::musicSnapshot() const
{
    return musicQuery_ && settings_.ShowMusicStatusBar ? musicQuery_() : MusicStatus{};
}

void BrowseDisplay::drawMusicBar(Canvas& frame, const MusicStatus& status)
{
    musicBarThickness_ = drawMusicStatusBar(frame, fonts_, settings_, [&status] { return status; });
    const StatusTexts texts = musicStatusTexts(status);
    musicBarShown_ = status.active ? texts.main + '\n' + texts.right : std::string();
    musicBarFrame_ = &frame;
}

void BrowseDisplay::drawMusicBarOnly(Canvas& frame)
{
    if (!composedAsNow(frame)) {
        composeFrame(frame);
        return;
    }
    if (table_.filteredCount() < 1) return;
    drawMusicBar(frame, musicSnapshot());
}

void BrowseDisplay::repaintAll(Screen& screen)
{
    composeFrame(screen.frame());
    screen.present();
}

void BrowseDisplay::screenResized(Screen& screen)
{
    position_.pageDirty = true;
    repaintAll(screen);
}

void BrowseDisplay::repaintMusicBar(Screen& screen)
{
    Canvas& frame = screen.frame();
    if (!composedAsNow(frame)) {
        // A turn or a new size that nothing has composed yet: the bar alone would be drawn in
        // another orientation or place than the rest of the frame.
        repaintAll(screen);
        return;
    }
    if (table_.filteredCount() < 1) return;
    const MusicStatus status = musicSnapshot();
    const StatusTexts texts = musicStatusTexts(status);
    // Called every second: when the bar on this frame already reads the same, nothing is drawn
    // or sent to the display, so an idle launcher stays idle.
    if (musicBarFrame_ == &frame &&
        musicBarShown_ == (status.active ? texts.main + '\n' + texts.right : std::string()))
        return;
    const int before = musicBarThickness_;
    drawMusicBar(frame, status);
    if (musicBarThickness_ != before) {
        // The bar appeared or vanished (the jukebox became active or inactive): the view must
        // move with it, so the whole frame is composed again.
        composeFrame(frame);
        screen.present();
        return;
    }
    screen.presentArea(musicBarLayout(settings_.CurrentOrientation, frame.width(), frame.height(),
                                      musicBarThickness_, 0)
                           .bar);
}

int BrowseDisplay::countTextLines(int width, int height, int reserved)
{
    const Font& font =
        fonts_.selectFont(settings_.Fontface, settings_.Fontsize, settings_.CurrentOrientation, 0);
    return ::countTextLines(font, settings_.CurrentOrientation, width, height, reserved);
}

int BrowseDisplay::countPreviewRows(int width, int height, int reserved)
{
    const Font& font = fonts_.selectFont(settings_.Fontface, settings_.PreviewFontSize,
                                         settings_.CurrentOrientation, 0);
    return ::countPreviewRows(font, settings_, settings_.CurrentOrientation, width, height,
                              reserved);
}

int BrowseDisplay::countPreviewColumns(int width, int height) const
{
    return ::countPreviewColumns(settings_, settings_.CurrentOrientation, width, height);
}
