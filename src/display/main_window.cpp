#include "display/main_window.h"

#include <algorithm>

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
    if (table_.filteredCount() < 1) {
        gameBarThickness_ = 0;
        musicBarThickness_ = 0;
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
        drawListView(frame, fonts_, pictures_, settings_, table_, position_, view);
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
    if (table_.filteredCount() < 1) return;
    drawMusicBar(frame, musicSnapshot());
}

void BrowseDisplay::repaintAll(Screen& screen)
{
    composeFrame(screen.frame());
    screen.present();
}

void BrowseDisplay::repaintMusicBar(Screen& screen)
{
    if (table_.filteredCount() < 1) return;
    Canvas& frame = screen.frame();
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
