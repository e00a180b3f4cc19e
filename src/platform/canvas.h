// An off-screen 32-bit ARGB image to draw on: solid rectangles, rounded outlines, turned text,
// pictures (unscaled or scaled), and copies from another canvas. Every frame and pop-up window
// of the launcher is composed on one. Colours are COLORREF values (0x00BBGGRR), as the settings
// file stores them. All drawing is clipped to the canvas; nothing here fails loudly: a canvas
// that could not be allocated has size 0 x 0 and ignores drawing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/rect.h"

class Font;
struct Picture;

using Colorref = uint32_t;

// 0x00BBGGRR -> opaque 0xFFRRGGBB.
constexpr uint32_t argbFromColorref(Colorref c)
{
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

class Canvas {
public:
    // A canvas of width x height pixels, every pixel opaque black. Negative sizes count as 0;
    // sides are capped at kMaxCanvasSide.
    Canvas(int width, int height);
    Canvas();  // 0 x 0
    ~Canvas();
    Canvas(Canvas&&) noexcept;
    Canvas& operator=(Canvas&&) noexcept;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    static constexpr int kMaxCanvasSide = 16384;

    int width() const;
    int height() const;

    // Fills the rectangle (clipped to the canvas) with an opaque colour.
    void fillRect(const Rect& rect, Colorref colour);

    // GDI RoundRect with a hollow brush: the outline of the rectangle with corners (x1, y1),
    // (x2, y2) (either order), corner ellipse ellipseWidth x ellipseHeight, drawn with a pen of
    // penWidth pixels centred on the outline. Nothing is drawn for a pen width below 1.
    void roundRectOutline(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight,
                          int penWidth, Colorref colour);

    // Writes a line of UTF-8 text with the font's orientation, transparent background, with the
    // Win32 reference point (x, y): the top-left corner of the text cell in the text's own frame.
    // On the screen that is the line's top-left corner for 0, bottom-right for 180, top-right
    // for 90 and bottom-left for -90. Invalid UTF-8 is drawn as U+FFFD.
    void drawText(int x, int y, const std::string& utf8, const Font& font, Colorref colour);

    // Copies a picture unscaled with its top-left pixel at (x, y), blending by its alpha.
    void drawPicture(const Picture& picture, int x, int y);
    // Copies a picture scaled to the rectangle dest (smooth filter), blending by its alpha.
    void drawPictureScaled(const Picture& picture, const Rect& dest);

    // Copies the source rectangle of `source` to (x, y) of this canvas, replacing the pixels.
    void copyFrom(const Canvas& source, const Rect& sourceRect, int x, int y);

    // Raw pixels: rows of stride() bytes, top row first, each pixel 0xAARRGGBB premultiplied in
    // native byte order. Valid until the canvas is destroyed or moved from. Null for 0 x 0.
    const uint8_t* data() const;
    uint8_t* data();
    int stride() const;
    // The pixel at (x, y) as 0xAARRGGBB, 0 outside the canvas.
    uint32_t pixel(int x, int y) const;

    // Writes the canvas as a PNG file; false on failure.
    bool savePng(const std::string& path) const;
    // Reads a PNG written by savePng (or any ARGB/RGB PNG); nothing when it does not load.
    static std::optional<Canvas> loadPng(const std::string& path);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
