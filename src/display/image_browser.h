// The image browser: a page of the filtered view as a grid of picture boxes with captions, the
// selected game marked by a thick rounded frame. The rendered page is kept on its own canvas
// and rebuilt only when the page moves or position.pageDirty is set; an ordinary repaint copies
// it into the frame and draws the selection frame on top.
//
// After a rebuild, the pictures of the pages a page-up or page-down would show are decoded ahead
// on worker threads, so that paging through shows each page without waiting for its files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "catalogue/browse_position.h"
#include "catalogue/game_record.h"
#include "config/settings.h"
#include "display/font_cache.h"
#include "display/game_pictures.h"
#include "display/picture_prefetch.h"
#include "platform/canvas.h"
#include "platform/rect.h"

struct ImageBrowserGeometry {
    int columnPitch = 0;  // PreviewModeWidth + PreviewModeSpacer
    int rowPitch = 0;     // PreviewModeHeight + PreviewModeSpacer + caption line height
    int cols = 0;
    int rows = 0;
    int pageSize = 0;  // rows * cols
};

// Grid geometry for a view rectangle: columns from (R.right or R.bottom), rows from (R.bottom or
// R.right) less the game bar's thickness, as the browse controller counts its pages.
ImageBrowserGeometry imageBrowserGeometry(const LauncherSettings& settings, int orientation,
                                          int captionLineHeight, const Rect& view,
                                          int gameBarThickness);

// The picture box of cell (row, col) on the page canvas.
Rect previewBox(const LauncherSettings& settings, int orientation, const Rect& view,
                const ImageBrowserGeometry& geometry, int row, int col);

// Reference point of a box's caption: directly under the picture in the viewer's frame.
Point captionOrigin(int orientation, const Rect& box);

// The caption cut (whole characters, no ellipsis) until it is at most maxWidth wide; also cut
// to 1023 bytes first.
std::string fitCaption(const Font& font, const std::string& description, int maxWidth);

// The two opposite corners of the selection frame for the k-th entry of the page.
struct FrameCorners {
    Point first;
    Point opposite;
};
FrameCorners selectionFrameCorners(const LauncherSettings& settings, int orientation,
                                   const Rect& view, const ImageBrowserGeometry& geometry, int k);

// The cells of the page starting at `first` that have a picture file, in reading order.
std::vector<CellRequest> pageCells(const LauncherSettings& settings, const GameTable& table,
                                   const Rect& view, const ImageBrowserGeometry& geometry,
                                   int first);

// The cells of the pages next to the page starting at `first` (P cells a page, N entries), in the
// order a player is likely to reach them: the page in `direction` (1 forward, -1 back) first.
// Entries without a picture file are left out.
std::vector<CellRequest> neighbourCells(const LauncherSettings& settings, const GameTable& table,
                                        const Rect& view, const ImageBrowserGeometry& geometry,
                                        int first, int direction);

class ImageBrowser {
public:
    // After each page rebuild the pictures of the neighbouring pages are decoded on `jobs`
    // (worker threads of its own, started when first needed, when none is given), within half
    // of the picture cache's memory limit.
    explicit ImageBrowser(std::shared_ptr<PictureJobs> jobs = nullptr);

    // Draws the browser into `view` of `frame`. The page canvas is kept at the frame's size.
    // Applies the page-scrolling rule to position.firstVisibleIndex and clears pageDirty when it
    // rebuilds. Nothing is drawn when the filtered view is empty.
    void draw(Canvas& frame, FontCache& fonts, PictureCache& pictures,
              const LauncherSettings& settings, const GameTable& table, BrowsePosition& position,
              const Rect& view, int gameBarThickness);

    // How many times the page has been rebuilt (for tests and benchmarks).
    int rebuildCount() const { return rebuilds_; }

private:
    void prefetchNeighbours(PictureCache& pictures, const LauncherSettings& settings,
                            const GameTable& table, const Rect& view,
                            const ImageBrowserGeometry& geometry, int first);

    std::shared_ptr<PictureJobs> jobs_;
    std::unique_ptr<PicturePrefetcher> prefetcher_;  // after jobs_: cancelled before they stop
    int direction_ = 1;                              // of the last page move
    Canvas page_;
    Canvas bars_;  // what the selection frame would paint over outside the view, kept aside
    Rect pageView_;
    int pageOrientation_ = 0;
    int rebuilds_ = 0;
};
