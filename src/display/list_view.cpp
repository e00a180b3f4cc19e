#include "display/list_view.h"

#include <algorithm>

#include "display/page_scroll.h"
#include "display/text_metrics.h"

Rect listHighlightBand(int orientation, const Rect& v, int k, int L)
{
    switch (orientation) {
        case 180:
            return Rect{v.left, v.bottom - (k + 1) * L, v.right, v.bottom - k * L};
        case 90:
            return Rect{v.right - (k + 1) * L, v.top, v.right - k * L, v.bottom};
        case -90:
            return Rect{v.left + k * L, v.top, v.left + (k + 1) * L, v.bottom};
        default:
            return Rect{v.left, v.top + k * L, v.right, v.top + (k + 1) * L};
    }
}

Point listTextOrigin(int orientation, const Rect& v, int i, int L)
{
    const int o = i * L;
    switch (orientation) {
        case 180:
            return Point{v.right - 6, v.bottom - o};
        case 90:
            return Point{v.right - o, v.top + 6};
        case -90:
            return Point{v.left + o, v.bottom - 6};
        default:
            return Point{v.left + 6, v.top + o};
    }
}

void drawListView(Canvas& canvas, FontCache& fonts, PictureCache& pictures,
                  const LauncherSettings& settings, const GameTable& table,
                  BrowsePosition& position, const Rect& view, bool cornerPictures)
{
    const int N = table.filteredCount();
    if (N < 1) return;
    const int orientation = settings.CurrentOrientation;
    const Font& plain = fonts.selectFont(settings.Fontface, settings.Fontsize, orientation, 0);
    const int L = getLineHeight(plain);
    const int n = countTextLines(plain, orientation, view.width(), view.height(), 0);
    const int s = std::clamp(position.selectedIndex, 0, N - 1);
    const int f = scrollByPages(s, position.firstVisibleIndex, n, N);
    position.firstVisibleIndex = f;

    // The band only where the selection is on a visible line (a view too small for one line
    // shows none).
    if (s - f >= 0 && s - f < n)
        canvas.fillRect(listHighlightBand(orientation, view, s - f, L),
                        settings.HighlightBackcolor);

    const GameRecord* selected = table.filtered[s];
    if (selected && cornerPictures) {
        drawCornerPicture(canvas, pictures, settings, *selected, view, PictureKind::Screenshot);
        drawCornerPicture(canvas, pictures, settings, *selected, view, PictureKind::Flyer);
    }

    const Font& bold = fonts.selectFont(settings.Fontface, settings.Fontsize, orientation, 1);
    for (int i = 0; i < n; ++i) {
        const int index = f + i;
        if (index >= N) break;
        const GameRecord* game = table.filtered[index];
        if (!game) continue;
        Point at = listTextOrigin(orientation, view, i, L);
        if (index == s)
            canvas.drawText(at.x, at.y, game->description, bold, settings.HighlightForecolor);
        else
            canvas.drawText(at.x, at.y, game->description, plain, settings.Fontcolor);
    }
}
