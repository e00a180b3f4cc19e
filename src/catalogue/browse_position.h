// Where the browse screen stands in the filtered view: the selected entry, the first entry the
// list view shows, and whether the image browser must recompute its page.
#pragma once

struct BrowsePosition {
    int selectedIndex = 0;      // position in GameTable::filtered
    int firstVisibleIndex = 0;  // first entry drawn by the list view
    bool pageDirty = true;      // the image browser recomputes its page before drawing
};
