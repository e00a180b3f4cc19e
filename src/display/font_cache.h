// The fonts the screens use, made once per key (face, size, orientation, highlight) and kept
// while they are in use, so that no font is made again in the steady state. The cache holds at
// most kCapacity fonts: a new key beyond that frees the font requested longest ago, so settings
// changed again and again (face, size, orientation) do not pile up fonts nobody draws with.
// The face is compared byte for byte: "Arial" and "arial" are two keys.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/font.h"

class FontCache {
public:
    // More than the screens draw with at once (the list's two, the bars', the preview's, the
    // open menu's two, a message box's two), so the steady state never makes a font again.
    static constexpr int kCapacity = 12;

    // The font for the key, made on the first request. The reference stays valid until
    // kCapacity other keys have been requested after it (a drawing holds two or three at once),
    // clear() or the cache's end. Never fails: an unknown face gives the fallback face. GUI
    // thread only; no lock.
    const Font& selectFont(const std::string& face, int size, int orientation, int highlight);

    // Number of fonts held.
    int size() const { return static_cast<int>(entries_.size()); }
    // Number of fonts made so far, including those freed since.
    int made() const { return made_; }
    // Releases every font (shutdown). References handed out before become invalid.
    void clear() { entries_.clear(); }

private:
    struct Entry {
        std::string face;  // as requested, full length
        int size = 0;
        int angle = 0;
        int highlight = 0;
        uint64_t lastUse = 0;
        std::unique_ptr<Font> font;
    };
    std::vector<Entry> entries_;
    uint64_t uses_ = 0;
    int made_ = 0;
};
