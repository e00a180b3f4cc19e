// The page-scrolling rule shared by the list view and the image browser. The window of visible
// entries moves by whole pages, never line by line: moving up pages back until the selection is
// inside (not below 0); moving down pages forward, and the last page is aligned to end at the
// last entry, so it is never partly empty when reached by moving down.
#pragma once

// New first visible index for `selected` given the old `first`, a page of `pageSize` entries
// and `count` entries in all. A page size below 1 leaves `first` where it is (clamped into the
// list), so that a view too small for one entry cannot loop forever.
int scrollByPages(int selected, int first, int pageSize, int count);
