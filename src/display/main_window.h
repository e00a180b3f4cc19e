// The browse screen's drawing state and the composition of a whole frame: background, the two
// status bars, then the list view or the image browser in what the bars leave free. Nothing is
// drawn straight onto the screen: the frame is composed off screen and presented whole.
#pragma once

#include <string>
#include <vector>

#include "catalogue/browse_position.h"
#include "catalogue/game_record.h"
#include "config/settings.h"
#include "display/font_cache.h"
#include "display/game_pictures.h"
#include "display/image_browser.h"
#include "music/music_status.h"
#include "platform/canvas.h"
#include "platform/rect.h"
#include "platform/screen.h"

// The view rectangle left between the bars: the music bar takes the viewer's top edge, the game
// bar the viewer's bottom edge.
Rect viewRectangle(int orientation, int W, int H, int gameBarThickness, int musicBarThickness);

// What an empty view says instead of a list: how many games the catalogue holds, that none of
// them passes the ROM folder and the filters, the ROM folder, and where the filters are changed.
std::vector<std::string> emptyViewLines(int catalogueCount, const std::string& romsDir);
// The reference point at which a line of text whose top-left corner the viewer sees at `viewer`
// is drawn on a W x H canvas turned to `orientation`: the line's top-left corner in 0,
// bottom-right in 180, top-right in 90, bottom-left in -90 (canvas coordinates).
Point turnedTextOrigin(int orientation, int W, int H, Point viewer);

// Reference point of line `index` of `count` such lines, each lineHeight high and this one
// lineWidth wide, centred as a block in a W x H frame as the viewer sees it.
Point emptyViewLineOrigin(int orientation, int W, int H, int lineWidth, int lineHeight, int index,
                          int count);

class BrowseDisplay {
public:
    // Borrows the settings, the catalogue and the browse position for its whole life; they are
    // read (and the position's firstVisibleIndex and pageDirty written) on every composition.
    BrowseDisplay(const LauncherSettings& settings, const GameTable& table,
                  BrowsePosition& position);

    // The jukebox snapshot the music bar shows; an empty query means no music bar.
    void setMusicStatusQuery(MusicStatusQuery query) { musicQuery_ = std::move(query); }

    // Composes a whole frame into `frame` (any size). With an empty filtered view the frame is
    // the background with the empty view's text. GUI thread.
    void composeFrame(Canvas& frame);
    // Redraws only the music bar of `frame` (nothing when the filtered view is empty). A frame
    // last composed in another orientation or at another size is composed whole instead, so
    // that a bar is never drawn turned over a view that is not.
    void drawMusicBarOnly(Canvas& frame);
    // composeFrame into the screen's frame, then present it.
    void repaintAll(Screen& screen);
    // While held, frames are composed without the list view's corner pictures: the first frame
    // of a start-up reaches the screen without waiting for two pictures to be decoded, and a
    // repaint right after brings them.
    void holdCornerPictures(bool held) { cornerPicturesHeld_ = held; }
    // Redraws the music bar of the screen's frame and presents only the bar; does nothing when
    // the bar already shows the same texts (it is called every second). Composes and presents
    // the whole frame when the bar appears or vanishes, or when the frame was composed in
    // another orientation or at another size.
    void repaintMusicBar(Screen& screen);
    // The screen changed size (its frame is a new canvas): the image browser's page is rebuilt
    // and the whole frame composed and presented again.
    void screenResized(Screen& screen);

    // Thickness of each bar in the last frame drawn, 0 for a hidden bar.
    int gameBarThickness() const { return gameBarThickness_; }
    int musicBarThickness() const { return musicBarThickness_; }

    // Page sizes for the browse controller, in the current orientation, for a client area of
    // width x height: lines of the list font, and preview rows (less `reserved`) and columns.
    int countTextLines(int width, int height, int reserved);
    int countPreviewRows(int width, int height, int reserved);
    int countPreviewColumns(int width, int height) const;

    FontCache& fonts() { return fonts_; }
    PictureCache& pictures() { return pictures_; }
    const ImageBrowser& imageBrowser() const { return imageBrowser_; }

private:
    MusicStatus musicSnapshot() const;
    void drawMusicBar(Canvas& frame, const MusicStatus& status);
    void drawEmptyView(Canvas& frame);
    // Whether `frame` holds a whole composition in the current orientation at its present size.
    bool composedAsNow(const Canvas& frame) const;

    const LauncherSettings& settings_;
    const GameTable& table_;
    BrowsePosition& position_;
    MusicStatusQuery musicQuery_;
    FontCache fonts_;
    PictureCache pictures_;
    ImageBrowser imageBrowser_;
    int gameBarThickness_ = 0;
    int musicBarThickness_ = 0;
    bool cornerPicturesHeld_ = false;
    // What the music bar last drawn reads ("" when absent) and the frame it was drawn on.
    std::string musicBarShown_;
    const Canvas* musicBarFrame_ = nullptr;
    // The frame last composed whole, with its orientation and size at the time.
    const Canvas* composedFrame_ = nullptr;
    int composedOrientation_ = 0;
    int composedWidth_ = 0;
    int composedHeight_ = 0;
};
