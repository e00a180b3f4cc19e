#include "display/image_browser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "display/page_scroll.h"
#include "display/text_metrics.h"

namespace {

constexpr std::size_t kMaxCaptionBytes = 1023;

// Layout settings may hold anything up to the 32-bit limits: sums and products of them are taken
// in 64 bits, and screen coordinates are kept within 2^30 so that widths cannot overflow either.
constexpr int64_t kCoordinateLimit = int64_t{1} << 30;

int coordinate(int64_t value)
{
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

int count(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

ImageBrowserGeometry imageBrowserGeometry(const LauncherSettings& settings, int orientation,
                                          int captionLineHeight, const Rect& view,
                                          int gameBarThickness)
{
    ImageBrowserGeometry g;
    const int64_t S = settings.PreviewModeSpacer;
    const int64_t columnPitch = int64_t{settings.PreviewModeWidth} + S;
    const int64_t rowPitch = int64_t{settings.PreviewModeHeight} + S + captionLineHeight;
    g.columnPitch = coordinate(columnPitch);
    g.rowPitch = coordinate(rowPitch);
    const bool quarter = isQuarterTurn(orientation);
    // Measured from R's right and bottom (not its width and height): the grid is laid out from
    // the frame's own edges, as the browse controller counts its pages.
    const int64_t columnExtent = quarter ? view.bottom : view.right;
    const int64_t rowExtent = quarter ? view.right : view.bottom;
    if (columnPitch > 0) g.cols = count((columnExtent - S) / columnPitch);
    if (rowPitch > 0) g.rows = count((rowExtent - S - gameBarThickness) / rowPitch);
    g.pageSize = count(int64_t{g.rows} * g.cols);
    return g;
}

Rect previewBox(const LauncherSettings& settings, int orientation, const Rect& R,
                const ImageBrowserGeometry& g, int r, int c)
{
    const int64_t Wc = settings.PreviewModeWidth, Hc = settings.PreviewModeHeight;
    const int64_t S = settings.PreviewModeSpacer;
    const int64_t a = g.columnPitch, b = g.rowPitch;
    int64_t left, top, w, h;
    switch (orientation) {
        case 180:
            left = R.right - c * a - S - Wc;
            top = R.bottom - r * b - S - Hc;
            w = Wc;
            h = Hc;
            break;
        case 90:
            left = R.right - r * b - S - Hc;
            top = S + c * a;
            w = Hc;
            h = Wc;
            break;
        case -90:
            left = S + r * b;
            top = R.bottom - c * a - S - Wc;
            w = Hc;
            h = Wc;
            break;
        default:
            left = S + c * a;
            top = S + r * b;
            w = Wc;
            h = Hc;
            break;
    }
    return Rect{coordinate(left), coordinate(top), coordinate(left + w), coordinate(top + h)};
}

Point captionOrigin(int orientation, const Rect& box)
{
    switch (orientation) {
        case 180:
            return Point{box.right, box.top};
        case 90:
            return Point{box.left, box.top};
        case -90:
            return Point{box.right, box.bottom};
        default:
            return Point{box.left, box.bottom};
    }
}

std::string fitCaption(const Font& font, const std::string& description, int maxWidth)
{
    std::string caption = description;
    cutToBytes(caption, kMaxCaptionBytes);
    while (!caption.empty() && font.textWidth(caption) > maxWidth) removeLastCharacter(caption);
    return caption;
}

FrameCorners selectionFrameCorners(const LauncherSettings& settings, int orientation, const Rect& R,
                                   const ImageBrowserGeometry& g, int k)
{
    const int64_t S = settings.PreviewModeSpacer;
    const int cols = std::max(1, g.cols);
    const int64_t row = k / cols, col = k % cols, h = S / 2;
    const int64_t x1 = col * g.columnPitch + h, y1 = row * g.rowPitch + h;
    const int64_t x2 = x1 + settings.PreviewModeWidth + S;
    const int64_t y2 = y1 + g.rowPitch;  // Hc + S + Lc
    auto at = [](int64_t x, int64_t y) { return Point{coordinate(x), coordinate(y)}; };
    switch (orientation) {
        case 180:
            return {at(R.right - x1, R.bottom - y1), at(R.right - x2, R.bottom - y2)};
        case 90:
            return {at(R.right - y1, x1), at(R.right - y2, x2)};
        case -90:
            return {at(y1, R.bottom - x1), at(y2, R.bottom - x2)};
        default:
            return {at(x1, y1), at(x2, y2)};
    }
}

std::vector<CellRequest> pageCells(const LauncherSettings& settings, const GameTable& table,
                                   const Rect& view, const ImageBrowserGeometry& g, int first)
{
    std::vector<CellRequest> cells;
    const int N = table.filteredCount();
    // Indices grow cell by cell, so the walk ends at the first index past the list (absurd
    // settings can make a page of millions of cells).
    for (int r = 0; r < g.rows && int64_t{first} + int64_t{r} * g.cols < N; ++r) {
        for (int c = 0; c < g.cols; ++c) {
            const int64_t index = int64_t{first} + int64_t{r} * g.cols + c;
            if (index >= N) break;
            const GameRecord* game = table.filtered[static_cast<std::size_t>(index)];
            if (!game) continue;
            std::optional<std::string> path = previewPicturePath(settings, *game);
            if (!path) continue;
            cells.push_back(CellRequest{
                std::move(*path), settings.CurrentOrientation,
                previewBox(settings, settings.CurrentOrientation, view, g, r, c), view});
        }
    }
    return cells;
}

std::vector<CellRequest> neighbourCells(const LauncherSettings& settings, const GameTable& table,
                                        const Rect& view, const ImageBrowserGeometry& g, int first,
                                        int direction)
{
    std::vector<CellRequest> cells;
    const int N = table.filteredCount(), P = g.pageSize;
    if (P < 1 || N < 1) return cells;
    // Where a page down and a page up from this page land.
    const int next =
        scrollByPages(static_cast<int>(std::min<int64_t>(int64_t{first} + P, N - 1)), first, P, N);
    const int previous = static_cast<int>(std::max<int64_t>(0, int64_t{first} - P));
    for (int page :
         direction < 0 ? std::vector<int>{previous, next} : std::vector<int>{next, previous}) {
        if (page == first) continue;
        std::vector<CellRequest> more = pageCells(settings, table, view, g, page);
        std::move(more.begin(), more.end(), std::back_inserter(cells));
    }
    return cells;
}

ImageBrowser::ImageBrowser(std::shared_ptr<PictureJobs> jobs) : jobs_(std::move(jobs)) {}

void ImageBrowser::prefetchNeighbours(PictureCache& pictures, const LauncherSettings& settings,
                                      const GameTable& table, const Rect& view,
                                      const ImageBrowserGeometry& geometry, int first)
{
    std::vector<CellRequest> cells =
        neighbourCells(settings, table, view, geometry, first, direction_);
    if (cells.empty()) return;
    if (!prefetcher_) {
        // Two workers at most: the cabinet's GUI thread stays free, and a page of pictures is
        // decoded within a tick or two.
        if (!jobs_)
            jobs_ = std::make_shared<PictureWorkers>(
                static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 2u)));
        prefetcher_ = std::make_unique<PicturePrefetcher>(jobs_);
    }
    // Half of the cache: the page on the screen and the list's pictures keep the rest.
    prefetcher_->want(cells, pictures, pictures.maxBytes() / 2);
}

void ImageBrowser::draw(Canvas& frame, FontCache& fonts, PictureCache& pictures,
                        const LauncherSettings& settings, const GameTable& table,
                        BrowsePosition& position, const Rect& view, int gameBarThickness)
{
    const int N = table.filteredCount();
    if (N < 1) return;
    const int orientation = settings.CurrentOrientation;
    const Font& caption =
        fonts.selectFont(settings.Fontface, settings.PreviewFontSize, orientation, 0);
    const int Lc = getLineHeight(caption);
    const ImageBrowserGeometry g =
        imageBrowserGeometry(settings, orientation, Lc, view, gameBarThickness);
    const int P = g.pageSize;

    const int s = std::clamp(position.selectedIndex, 0, N - 1);
    const int oldFirst = position.firstVisibleIndex;
    const int f = scrollByPages(s, oldFirst, P, N);
    position.firstVisibleIndex = f;

    // The page is also rebuilt when its canvas or the view no longer match the one it was drawn
    // for, so a stale page is never copied to the screen.
    const bool sizeChanged = page_.width() != frame.width() || page_.height() != frame.height();
    const bool geometryChanged = !(view == pageView_) || orientation != pageOrientation_;
    const bool rebuilt = f != oldFirst || position.pageDirty || sizeChanged || geometryChanged;
    if (rebuilt) {
        position.pageDirty = false;
        if (f != oldFirst) direction_ = f > oldFirst ? 1 : -1;
        if (prefetcher_) {
            // What the workers finished goes into the cache; they go on with this page's cells
            // from its first while this thread takes them from its last, then draws them all.
            const std::vector<CellRequest> cells = pageCells(settings, table, view, g, f);
            prefetcher_->focus(cells, pictures);
            for (auto cell = cells.rbegin(); cell != cells.rend(); ++cell) {
                prefetcher_->claim(*cell, pictures);
                Rect dest;
                pictures.getFitted(cell->path, cell->orientation, cell->box, cell->view, dest);
            }
        }
        if (sizeChanged) page_ = Canvas(frame.width(), frame.height());
        pageView_ = view;
        pageOrientation_ = orientation;
        ++rebuilds_;
        page_.fillRect(view, settings.PreviewBackgroundcolor);
        // Indices grow cell by cell, so the walk ends at the first index past the list (absurd
        // settings can make a page of millions of cells).
        for (int r = 0; r < g.rows && f + static_cast<long>(r) * g.cols < N; ++r) {
            for (int c = 0; c < g.cols; ++c) {
                const long index = static_cast<long>(f) + static_cast<long>(r) * g.cols + c;
                if (index >= N) break;
                const GameRecord* game = table.filtered[index];
                if (!game) continue;
                const Rect box = previewBox(settings, orientation, view, g, r, c);
                drawPictureFitted(page_, pictures, settings, *game, box, view);
                const int along = isQuarterTurn(orientation) ? box.height() : box.width();
                const std::string text = fitCaption(caption, game->description, along);
                const Point at = captionOrigin(orientation, box);
                page_.drawText(at.x, at.y, text, caption, settings.PreviewFontcolor);
            }
        }
    }

    frame.copyFrom(page_, view, view.left, view.top);
    if (rebuilt) prefetchNeighbours(pictures, settings, table, view, g, f);

    const int k = s - f;
    if (P > 0 && k >= 0 && k < P) {
        const FrameCorners corners = selectionFrameCorners(settings, orientation, view, g, k);
        const int S = settings.PreviewModeSpacer;
        // The outline is drawn as wide as the gap between cells, so around the first row it can
        // reach past the view; what it paints over a status bar there is put back.
        const int64_t reach = std::abs(int64_t{S});
        const Rect around{coordinate(std::min(corners.first.x, corners.opposite.x) - reach),
                          coordinate(std::min(corners.first.y, corners.opposite.y) - reach),
                          coordinate(std::max(corners.first.x, corners.opposite.x) + reach),
                          coordinate(std::max(corners.first.y, corners.opposite.y) + reach)};
        const int W = frame.width(), H = frame.height();
        std::vector<Rect> outside;
        for (const Rect& strip : {Rect{0, 0, W, view.top}, Rect{0, view.bottom, W, H},
                                  Rect{0, view.top, view.left, view.bottom},
                                  Rect{view.right, view.top, W, view.bottom}}) {
            const Rect r{std::max(strip.left, around.left), std::max(strip.top, around.top),
                         std::min(strip.right, around.right),
                         std::min(strip.bottom, around.bottom)};
            if (!r.empty()) outside.push_back(r);
        }
        // Kept aside in a canvas the size of what they cover together, not the frame's.
        Rect kept = outside.empty() ? Rect{} : outside.front();
        for (const Rect& r : outside)
            kept = Rect{std::min(kept.left, r.left), std::min(kept.top, r.top),
                        std::max(kept.right, r.right), std::max(kept.bottom, r.bottom)};
        if (bars_.width() < kept.width() || bars_.height() < kept.height())
            bars_ = Canvas(std::max(bars_.width(), kept.width()),
                           std::max(bars_.height(), kept.height()));
        for (const Rect& r : outside)
            bars_.copyFrom(frame, r, r.left - kept.left, r.top - kept.top);
        frame.roundRectOutline(corners.first.x, corners.first.y, corners.opposite.x,
                               corners.opposite.y, S, S, S, settings.PreviewHighlightBackcolor);
        for (const Rect& r : outside)
            frame.copyFrom(bars_,
                           Rect{r.left - kept.left, r.top - kept.top, r.right - kept.left,
                                r.bottom - kept.top},
                           r.left, r.top);
    }
}
