// The list view: one game description per line in a window of consecutive entries that moves by
// pages, the selected entry on a highlight band in the bold italic list font, and the selected
// game's screenshot and flyer in two corners.
#pragma once

#include "catalogue/browse_position.h"
#include "catalogue/game_record.h"
#include "config/settings.h"
#include "display/font_cache.h"
#include "display/game_pictures.h"
#include "platform/canvas.h"
#include "platform/rect.h"

// The band of the k-th visible line (k from 0), as wide as the view, in the view's orientation.
Rect listHighlightBand(int orientation, const Rect& view, int k, int lineHeight);

// Reference point of the i-th visible line's text: 6 pixels in from the viewer's left edge,
// lines stacked from the viewer's top edge at pitch lineHeight.
Point listTextOrigin(int orientation, const Rect& view, int i, int lineHeight);

// Draws the list view into `view` of the canvas, whose background is already filled. Applies
// the page-scrolling rule to position.firstVisibleIndex. Nothing is drawn when the filtered view
// is empty; a selectedIndex outside it is clamped for drawing. Without cornerPictures the
// selected game's screenshot and flyer are left out.
void drawListView(Canvas& canvas, FontCache& fonts, PictureCache& pictures,
                  const LauncherSettings& settings, const GameTable& table,
                  BrowsePosition& position, const Rect& view, bool cornerPictures = true);
