// Fonts for on-screen text: a face found by name through fontconfig, sized in points at 96 dpi,
// turned by one of the four screen orientations, and measured the way the drawing code needs it
// (line height, text width). Text is UTF-8 throughout; characters the face lacks are drawn and
// measured with another installed font that has them.
#pragma once

#include <memory>
#include <string>
#include <vector>

// Pixel height of the em for a point size at 96 dpi: MulDiv(size, 96, 72), rounded half away
// from zero. A size of 0 or less gives 0 (drawing with such a font draws nothing).
int fontPixelHeight(int pointSize);

// Escapement in tenths of a degree, counter-clockwise, for an orientation in degrees:
// 0 -> 0, 180 -> -1800, 90 -> -900, -90 -> 900; any other value -> 0.
int fontEscapement(int orientation);

// The longest a family name may be when the font is made (full names are matched whole, and
// the cache key keeps the whole name).
constexpr std::size_t kMaxFaceNameBytes = 31;

class Font {
public:
    // Opens the installed face whose full name is `face` ("Liberation Sans Bold", as
    // installedScalableFontNames() lists it); failing that, the face closest to the family
    // `face` cut to kMaxFaceNameBytes bytes at a character boundary (fontconfig never fails a
    // match, so a face that does not exist gives the system's fallback face; see
    // matchedFamily()). `highlight` selects the extra-bold italic variant of the face's family
    // (at the face's width). `orientation` is the screen orientation in degrees (see
    // fontEscapement). Never returns null. GUI thread.
    static std::unique_ptr<Font> create(const std::string& face, int pointSize, int orientation,
                                        bool highlight);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Family name of the face actually used, as fontconfig reports it.
    const std::string& matchedFamily() const;
    // Full name of the face actually used, as fontconfig reports it ("" when it has none).
    const std::string& matchedFullName() const;
    int pixelHeight() const;
    int orientation() const;
    int escapement() const;
    // Ascent and descent in whole pixels (hinted); lineHeight() = ascent() + descent(), the pitch
    // at which every list packs its lines. At least 1 for any font that can draw.
    int ascent() const;
    int descent() const;
    int lineHeight() const;
    // Advance width in pixels of the whole text along its own direction of writing. Invalid
    // UTF-8 bytes are measured as U+FFFD. 0 for an empty text.
    int textWidth(const std::string& utf8) const;

    struct Impl;
    const Impl& impl() const { return *impl_; }

private:
    explicit Font(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Full names of the installed scalable fonts, sorted byte-wise, duplicates kept (one entry per
// installed face that has a full name). Empty when fontconfig cannot list anything.
std::vector<std::string> installedScalableFontNames();
