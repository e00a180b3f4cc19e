#include "display/font_cache.h"

const Font& FontCache::selectFont(const std::string& face, int size, int orientation, int highlight)
{
    for (const Entry& entry : entries_) {
        if (entry.face == face && entry.size == size && entry.angle == orientation &&
            entry.highlight == highlight)
            return *entry.font;
    }
    Entry entry;
    entry.face = face;
    entry.size = size;
    entry.angle = orientation;
    entry.highlight = highlight;
    entry.font = Font::create(face, size, orientation, highlight != 0);
    entries_.push_back(std::move(entry));
    return *entries_.back().font;
}
