#include "display/page_scroll.h"

#include <algorithm>
#include <cstdint>

int scrollByPages(int selected, int first, int pageSize, int count)
{
    if (count <= 0) return 0;
    int64_t s = std::clamp(selected, 0, count - 1);
    int64_t f = first;
    if (pageSize < 1) return static_cast<int>(std::clamp<int64_t>(f, 0, count - 1));
    int64_t n = pageSize;
    int64_t N = count;
    // Back by whole pages, not below 0, until the selection is at or after the first entry.
    if (s < f) {
        int64_t pages = (f - s + n - 1) / n;
        f = std::max<int64_t>(0, f - pages * n);
    }
    // Forward by whole pages until the selection is inside; a page that reaches the end is
    // aligned to end at the last entry.
    if (s > f + n - 1) {
        int64_t pages = (s - (f + n - 1) + n - 1) / n;
        f += pages * n;
        if (f >= N - n) f = N - n;
    }
    // A first index left negative by the caller (or by a page longer than the list) would name
    // entries that do not exist.
    if (f < 0) f = 0;
    return static_cast<int>(f);
}
