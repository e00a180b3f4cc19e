// Private to the platform layer: what a Font holds, shared by font.cpp and canvas.cpp.
#pragma once

#include <memory>
#include <string>

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
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter>;

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
    // Reused for every call (the GUI thread is the only user).
    GObjectPtr<PangoLayout> measureLayout;
    GObjectPtr<PangoLayout> drawLayout;

    // The single line of `layout` holding `text` (already valid UTF-8); null for a font that
    // cannot draw.
    PangoLayoutLine* lineFor(PangoLayout* layout, const std::string& text) const;
};

// Replaces every invalid UTF-8 sequence by U+FFFD, so Pango never sees bad input.
std::string validUtf8(const std::string& text);
