// Private to the platform layer: what a Font holds, shared by font.cpp and canvas.cpp.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <pango/pangocairo.h>

#include "platform/font.h"

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct PangoFontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct PangoAttrListDeleter {
    void operator()(PangoAttrList* a) const { pango_attr_list_unref(a); }
};
struct PangoItemDeleter {
    void operator()(PangoItem* i) const { pango_item_free(i); }
};
struct PangoGlyphStringDeleter {
    void operator()(PangoGlyphString* g) const { pango_glyph_string_free(g); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

// A text shaped into runs of glyphs, each run from one font, in visual order. Widths in Pango
// units; glyph positions are whole pixels.
struct ShapedText {
    struct Run {
        std::unique_ptr<PangoItem, PangoItemDeleter> item;
        std::unique_ptr<PangoGlyphString, PangoGlyphStringDeleter> glyphs;
        int width = 0;
    };
    std::vector<Run> runs;
    int width = 0;
};

// Text is shaped by Pango, so characters the face lacks come from another installed font.
// Measuring uses an upright context and drawing one turned by the escapement, so that hinting
// and glyph positions are worked out for the pixels actually drawn.
struct Font::Impl {
    std::string family;
    std::string fullName;
    int pixelHeight = 0;
    int orientation = 0;
    int escapement = 0;
    int ascent = 0;
    int descent = 0;
    std::unique_ptr<PangoFontDescription, PangoFontDescriptionDeleter> description;
    std::unique_ptr<PangoAttrList, PangoAttrListDeleter> attributes;
    GObjectPtr<PangoContext> measureContext;
    GObjectPtr<PangoContext> drawContext;

    // The text shaped for the drawing context; null for a font that draws nothing.
    const ShapedText* drawnText(const std::string& utf8) const;
    // Advance width in whole pixels of a UTF-8 text.
    int width(const std::string& utf8) const;
    ShapedText shape(PangoContext* context, const std::string& utf8) const;

    // Texts already shaped and measured: a list page is drawn and measured again on every move
    // of the selection. Each is emptied whole when it reaches kRememberedTexts entries. The GUI
    // thread is the only user.
    static constexpr std::size_t kRememberedTexts = 256;
    mutable std::unordered_map<std::string, ShapedText> drawnTexts;
    mutable std::unordered_map<std::string, int> widths;
};

// Replaces every invalid UTF-8 sequence by U+FFFD, so Pango never sees bad input.
std::string validUtf8(const std::string& text);
