#include "display/font_cache.h"

#include <algorithm>

const Font& FontCache::selectFont(const std::string& face, int size, int orientation, int highlight)
{
    ++uses_;
    for (Entry& entry : entries_) {
        if (entry.face == face && entry.size == size && entry.angle == orientation &&
            entry.highlight == highlight) {
            entry.lastUse = uses_;
            return *entry.font;
        }
    }
    if (entries_.size() >= static_cast<std::size_t>(kCapacity)) {
        entries_.erase(
            std::min_element(entries_.begin(), entries_.end(),
                             [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; }));
    }
    Entry entry;
    entry.face = face;
    entry.size = size;
    entry.angle = orientation;
    entry.highlight = highlight;
    entry.lastUse = uses_;
    entry.font = Font::create(face, size, orientation, highlight != 0);
    ++made_;
    entries_.push_back(std::move(entry));
    return *entries_.back().font;
}
