#include "display/image_browser.h"

#include <algorithm>

#include "display/page_scroll.h"
#include "display/text_metrics.h"

namespace {
constexpr std::size_t kMaxCaptionBytes = 1023;
}

ImageBrowserGeometry imageBrowserGeometry(const LauncherSettings& settings, int orientation,
                                          int captionLineHeight, const Rect& view,
                                          int gameBarThickness)
{
    ImageBrowserGeometry g;
    const int S = settings.PreviewModeSpacer;
    g.columnPitch = settings.PreviewModeWidth + S;
    g.rowPitch = settings.PreviewModeHeight + S + captionLineHeight;
    const bool quarter = isQuarterTurn(orientation);
    // Measured from R's right and bottom (not its width and height): the grid is laid out from
    // the frame's own edges, as the browse controller counts its pages.
    const long columnExtent = quarter ? view.bottom : view.right;
    const long rowExtent = quarter ? view.right : view.bottom;
    if (g.columnPitch > 0)
        g.cols = static_cast<int>(std::max(0L, (columnExtent - S) / g.columnPitch));
    if (g.rowPitch > 0)
        g.rows = static_cast<int>(std::max(0L, (rowExtent - S - gameBarThickness) / g.rowPitch));
    g.pageSize = g.rows * g.cols;
    return g;
}

Rect previewBox(const LauncherSettings& settings, int orientation, const Rect& R,
                const ImageBrowserGeometry& g, int r, int c)
{
    const int Wc = settings.PreviewModeWidth, Hc = settings.PreviewModeHeight;
    const int S = settings.PreviewModeSpacer;
    const int a = g.columnPitch, b = g.rowPitch;
    int left, top, w, h;
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
    return Rect{left, top, left + w, top + h};
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
    const int S = settings.PreviewModeSpacer;
    const int cols = std::max(1, g.cols);
    const int row = k / cols, col = k % cols, h = S / 2;
    const int x1 = col * g.columnPitch + h, y1 = row * g.rowPitch + h;
    const int x2 = x1 + settings.PreviewModeWidth + S;
    const int y2 = y1 + g.rowPitch;  // Hc + S + Lc
    switch (orientation) {
        case 180:
            return {{R.right - x1, R.bottom - y1}, {R.right - x2, R.bottom - y2}};
        case 90:
            return {{R.right - y1, x1}, {R.right - y2, x2}};
        case -90:
            return {{y1, R.bottom - x1}, {y2, R.bottom - x2}};
        default:
            return {{x1, y1}, {x2, y2}};
    }
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
    if (f != oldFirst || position.pageDirty || sizeChanged || geometryChanged) {
        position.pageDirty = false;
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
                drawPictureFitted(page_, pictures, settings, *game, box);
                const int along = isQuarterTurn(orientation) ? box.height() : box.width();
                const std::string text = fitCaption(caption, game->description, along);
                const Point at = captionOrigin(orientation, box);
                page_.drawText(at.x, at.y, text, caption, settings.PreviewFontcolor);
            }
        }
    }

    frame.copyFrom(page_, view, view.left, view.top);

    const int k = s - f;
    if (P > 0 && k >= 0 && k < P) {
        const FrameCorners corners = selectionFrameCorners(settings, orientation, view, g, k);
        const int S = settings.PreviewModeSpacer;
        frame.roundRectOutline(corners.first.x, corners.first.y, corners.opposite.x,
                               corners.opposite.y, S, S, S, settings.PreviewHighlightBackcolor);
    }
}
