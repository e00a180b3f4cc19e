// Every font the screens use, made once per key (face, size, orientation, highlight) and kept
// until the cache is destroyed, so that no font is created or destroyed in the steady state.
// The face is compared byte for byte: "Arial" and "arial" are two keys.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/font.h"

class FontCache {
public:
    // The font for the key, made on the first request (entries are appended in request order).
    // The reference stays valid until clear() or the cache's end. Never fails: an unknown face
    // gives the fallback face. GUI thread only; no lock.
    const Font& selectFont(const std::string& face, int size, int orientation, int highlight);

    // Number of distinct keys requested so far.
    int size() const { return static_cast<int>(entries_.size()); }
    // Releases every font (shutdown). References handed out before become invalid.
    void clear() { entries_.clear(); }

private:
    struct Entry {
        std::string face;  // as requested, full length
        int size = 0;
        int angle = 0;
        int highlight = 0;
        std::unique_ptr<Font> font;
    };
    std::vector<Entry> entries_;
};
