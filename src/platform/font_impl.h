// Private to the platform layer: what a Font holds, shared by font.cpp and canvas.cpp.
#pragma once

#include <string>

#include <cairo-ft.h>
#include <cairo.h>

#include "platform/font.h"

struct CairoFontFaceDeleter {
    void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
};
struct CairoScaledFontDeleter {
    void operator()(cairo_scaled_font_t* font) const { cairo_scaled_font_destroy(font); }
};
struct CairoFontOptionsDeleter {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};

struct Font::Impl {
    std::string family;
    int pixelHeight = 0;
    int orientation = 0;
    int escapement = 0;
    int ascent = 0;
    int descent = 0;
    std::unique_ptr<cairo_font_face_t, CairoFontFaceDeleter> face;
    std::unique_ptr<cairo_font_options_t, CairoFontOptionsDeleter> options;
    // Unturned, for measuring.
    std::unique_ptr<cairo_scaled_font_t, CairoScaledFontDeleter> scaled;
};

// Replaces every invalid UTF-8 sequence by U+FFFD, so Cairo never sees bad input (it would put
// the drawing context into an error state).
std::string validUtf8(const std::string& text);
