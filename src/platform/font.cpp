#include "platform/font.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-font.h>

#include "platform/font_impl.h"

namespace {

struct FcPatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FcObjectSetDeleter {
    void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
};
struct FcFontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct CairoFontOptionsDeleter {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};
using PatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;

// Length of the UTF-8 sequence starting at text[i] when it is valid, else 0.
std::size_t validSequenceLength(const std::string& text, std::size_t i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = byte(i);
    std::size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    return n;
}

std::string cutFaceName(const std::string& face)
{
    if (face.size() <= kMaxFaceNameBytes) return face;
    std::size_t end = kMaxFaceNameBytes;
    while (end > 0 && (static_cast<unsigned char>(face[end]) & 0xC0) == 0x80) --end;
    return face.substr(0, end);
}

// What picks one face out of its family.
struct FaceStyle {
    std::string family;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    int width = FC_WIDTH_NORMAL;
};

// The installed scalable face whose full name is exactly `name` (the names the options menu
// offers). A face whose first full name matches wins over one that only lists it among its
// translations. Nothing when no face has that full name.
std::optional<FaceStyle> faceWithFullName(const std::string& name)
{
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    std::unique_ptr<FcObjectSet, FcObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FULLNAME, FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FILE, FC_INDEX,
                         static_cast<char*>(nullptr)));
    std::unique_ptr<FcFontSet, FcFontSetDeleter> fonts(
        FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts) return std::nullopt;
    FcPattern* best = nullptr;
    int bestIndex = 0;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* fullName = nullptr;
        for (int k = 0;
             FcPatternGetString(fonts->fonts[i], FC_FULLNAME, k, &fullName) == FcResultMatch; ++k) {
            if (name == reinterpret_cast<const char*>(fullName) && (!best || k < bestIndex)) {
                best = fonts->fonts[i];
                bestIndex = k;
            }
        }
    }
    FcChar8* family = nullptr;
    if (!best || FcPatternGetString(best, FC_FAMILY, 0, &family) != FcResultMatch)
        return std::nullopt;
    FaceStyle style;
    style.family = reinterpret_cast<const char*>(family);
    FcPatternGetInteger(best, FC_WEIGHT, 0, &style.weight);
    FcPatternGetInteger(best, FC_SLANT, 0, &style.slant);
    FcPatternGetInteger(best, FC_WIDTH, 0, &style.width);
    return style;
}

void setFaceStyle(PangoFontDescription* description, const FaceStyle& style)
{
    pango_font_description_set_family(description, style.family.c_str());
    pango_font_description_set_weight(description,
                                      static_cast<PangoWeight>(FcWeightToOpenType(style.weight)));
    pango_font_description_set_style(description,
                                     style.slant == FC_SLANT_ITALIC    ? PANGO_STYLE_ITALIC
                                     : style.slant == FC_SLANT_OBLIQUE ? PANGO_STYLE_OBLIQUE
                                                                       : PANGO_STYLE_NORMAL);
    // Pango's stretches are fontconfig's widths; take the nearest.
    static constexpr std::pair<int, PangoStretch> kStretches[] = {
        {FC_WIDTH_ULTRACONDENSED, PANGO_STRETCH_ULTRA_CONDENSED},
        {FC_WIDTH_EXTRACONDENSED, PANGO_STRETCH_EXTRA_CONDENSED},
        {FC_WIDTH_CONDENSED, PANGO_STRETCH_CONDENSED},
        {FC_WIDTH_SEMICONDENSED, PANGO_STRETCH_SEMI_CONDENSED},
        {FC_WIDTH_NORMAL, PANGO_STRETCH_NORMAL},
        {FC_WIDTH_SEMIEXPANDED, PANGO_STRETCH_SEMI_EXPANDED},
        {FC_WIDTH_EXPANDED, PANGO_STRETCH_EXPANDED},
        {FC_WIDTH_EXTRAEXPANDED, PANGO_STRETCH_EXTRA_EXPANDED},
        {FC_WIDTH_ULTRAEXPANDED, PANGO_STRETCH_ULTRA_EXPANDED}};
    auto nearest = std::min_element(
        std::begin(kStretches), std::end(kStretches), [&](const auto& a, const auto& b) {
            return std::abs(a.first - style.width) < std::abs(b.first - style.width);
        });
    pango_font_description_set_stretch(description, nearest->second);
}

constexpr const char* kFeatures = "-kern,-liga,-clig";

// A Pango context on the shared font map, turned by the escapement (counter-clockwise tenths
// of a degree). Hinted metrics and glyph positions rounded to whole pixels, grey antialiasing:
// text looks the same at every orientation and widths are whole pixels.
GObjectPtr<PangoContext> makeContext(int escapement)
{
    GObjectPtr<PangoContext> context(
        pango_font_map_create_context(pango_cairo_font_map_get_default()));
    std::unique_ptr<cairo_font_options_t, CairoFontOptionsDeleter> options(
        cairo_font_options_create());
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context.get(), options.get());
    pango_context_set_round_glyph_positions(context.get(), TRUE);
    // Glyphs stay upright along the line whatever the turn (no vertical CJK layout).
    pango_context_set_base_gravity(context.get(), PANGO_GRAVITY_SOUTH);
    pango_context_set_gravity_hint(context.get(), PANGO_GRAVITY_HINT_STRONG);
    if (escapement != 0) {
        cairo_matrix_t turn;
        cairo_matrix_init_rotate(&turn, -escapement / 10.0 * M_PI / 180.0);
        PangoMatrix matrix = {turn.xx, turn.xy, turn.yx, turn.yy, 0, 0};
        pango_context_set_matrix(context.get(), &matrix);
    }
    return context;
}

// Replaces each glyph's advance by the whole-pixel advance of the face's hinted metrics, as
// Cairo gives it. HarfBuzz rounds the exact advance once; the hinted metrics round a 26.6
// fixed-point value first, so an advance near a half pixel can come out a pixel apart, and text
// measured or drawn before would move. Glyphs without an advance (combining marks) keep theirs.
void useHintedAdvances(PangoFont* font, PangoGlyphString* glyphs)
{
    if (!font || !PANGO_IS_CAIRO_FONT(font)) return;
    cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font));
    if (!scaled || cairo_scaled_font_status(scaled) != CAIRO_STATUS_SUCCESS) return;
    for (int i = 0; i < glyphs->num_glyphs; ++i) {
        PangoGlyphInfo& info = glyphs->glyphs[i];
        if (info.geometry.width == 0 || info.glyph == PANGO_GLYPH_EMPTY ||
            (info.glyph & PANGO_GLYPH_UNKNOWN_FLAG))
            continue;
        cairo_glyph_t glyph{info.glyph, 0, 0};
        cairo_text_extents_t extents;
        cairo_scaled_font_glyph_extents(scaled, &glyph, 1, &extents);
        info.geometry.width = static_cast<int>(std::lround(extents.x_advance)) * PANGO_SCALE;
    }
}

}  // namespace

std::string validUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = validSequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

int fontPixelHeight(int pointSize)
{
    if (pointSize <= 0) return 0;
    // MulDiv(size, 96, 72): rounded, with a 64-bit intermediate.
    int64_t product = static_cast<int64_t>(pointSize) * 96;
    int64_t result = (product + 36) / 72;
    return static_cast<int>(std::min<int64_t>(result, 4096));
}

int fontEscapement(int orientation)
{
    switch (orientation) {
        case 180:
            return -1800;
        case 90:
            return -900;
        case -90:
            return 900;
        default:
            return 0;
    }
}

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

std::unique_ptr<Font> Font::create(const std::string& face, int pointSize, int orientation,
                                   bool highlight)
{
    auto impl = std::make_unique<Impl>();
    impl->pixelHeight = fontPixelHeight(pointSize);
    impl->orientation = orientation;
    impl->escapement = fontEscapement(orientation);

    impl->description.reset(pango_font_description_new());
    PangoFontDescription* description = impl->description.get();
    if (auto style = faceWithFullName(validUtf8(face))) {
        setFaceStyle(description, *style);
    } else {
        pango_font_description_set_family(description, validUtf8(cutFaceName(face)).c_str());
    }
    if (highlight) {
        pango_font_description_set_weight(description, PANGO_WEIGHT_ULTRABOLD);
        pango_font_description_set_style(description, PANGO_STYLE_ITALIC);
    }
    pango_font_description_set_absolute_size(description,
                                             std::max(impl->pixelHeight, 1) * PANGO_SCALE);
    impl->attributes.reset(pango_attr_list_new());
    // Kerning and ligatures off: line widths and glyph positions stay those of plain glyph
    // advances, which every layout and cut-to-fit was measured with.
    pango_attr_list_insert(impl->attributes.get(), pango_attr_font_features_new(kFeatures));

    impl->measureContext = makeContext(0);
    impl->drawContext = makeContext(impl->escapement);
    pango_context_set_font_description(impl->measureContext.get(), description);
    pango_context_set_font_description(impl->drawContext.get(), description);

    // The face that the text's own characters come from: its names and its metrics.
    GObjectPtr<PangoFont> primary(pango_context_load_font(impl->measureContext.get(), description));
    if (primary && PANGO_IS_FC_FONT(primary.get())) {
        FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(primary.get()));
        FcChar8* value = nullptr;
        if (FcPatternGetString(pattern, FC_FAMILY, 0, &value) == FcResultMatch && value)
            impl->family = reinterpret_cast<const char*>(value);
        if (FcPatternGetString(pattern, FC_FULLNAME, 0, &value) == FcResultMatch && value)
            impl->fullName = reinterpret_cast<const char*>(value);
    }
    if (primary && impl->pixelHeight > 0) {
        cairo_scaled_font_t* scaled =
            pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(primary.get()));
        if (scaled && cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS) {
            cairo_font_extents_t extents;
            cairo_scaled_font_extents(scaled, &extents);
            impl->ascent = static_cast<int>(std::ceil(extents.ascent - 1e-6));
            impl->descent = static_cast<int>(std::ceil(extents.descent - 1e-6));
        }
    }
    return std::unique_ptr<Font>(new Font(std::move(impl)));
}

ShapedText Font::Impl::shape(PangoContext* context, const std::string& utf8) const
{
    ShapedText shaped;
    const std::string text = validUtf8(utf8);
    const int length = static_cast<int>(text.size());
    // One line, never broken: itemize (a run per font, script and direction) and shape each
    // run, without the paragraph machinery of a layout.
    GList* logical = pango_itemize(context, text.c_str(), 0, length, attributes.get(), nullptr);
    GList* visual = pango_reorder_items(logical);  // the same items, in visual order
    g_list_free(logical);
    for (GList* node = visual; node; node = node->next) {
        ShapedText::Run run;
        run.item.reset(static_cast<PangoItem*>(node->data));
        run.glyphs.reset(pango_glyph_string_new());
        pango_shape_with_flags(text.c_str() + run.item->offset, run.item->length, text.c_str(),
                               length, &run.item->analysis, run.glyphs.get(),
                               PANGO_SHAPE_ROUND_POSITIONS);
        useHintedAdvances(run.item->analysis.font, run.glyphs.get());
        run.width = pango_glyph_string_get_width(run.glyphs.get());
        shaped.width += run.width;
        shaped.runs.push_back(std::move(run));
    }
    g_list_free(visual);
    return shaped;
}

const ShapedText* Font::Impl::drawnText(const std::string& utf8) const
{
    if (pixelHeight <= 0 || !drawContext) return nullptr;
    auto found = drawnTexts.find(utf8);
    if (found == drawnTexts.end()) {
        if (drawnTexts.size() >= kRememberedTexts) drawnTexts.clear();
        found = drawnTexts.emplace(utf8, shape(drawContext.get(), utf8)).first;
    }
    return &found->second;
}

int Font::Impl::width(const std::string& utf8) const
{
    if (utf8.empty() || pixelHeight <= 0 || !measureContext) return 0;
    auto found = widths.find(utf8);
    if (found != widths.end()) return found->second;
    const ShapedText shaped = shape(measureContext.get(), utf8);
    const int result =
        static_cast<int>(std::lround(static_cast<double>(shaped.width) / PANGO_SCALE));
    if (widths.size() >= kRememberedTexts) widths.clear();
    widths.emplace(utf8, result);
    return result;
}

const std::string& Font::matchedFamily() const { return impl_->family; }
const std::string& Font::matchedFullName() const { return impl_->fullName; }
int Font::pixelHeight() const { return impl_->pixelHeight; }
int Font::orientation() const { return impl_->orientation; }
int Font::escapement() const { return impl_->escapement; }
int Font::ascent() const { return impl_->ascent; }
int Font::descent() const { return impl_->descent; }

int Font::lineHeight() const { return std::max(1, impl_->ascent + impl_->descent); }

int Font::textWidth(const std::string& utf8) const { return impl_->width(utf8); }

std::vector<std::string> installedScalableFontNames()
{
    std::vector<std::string> names;
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    std::unique_ptr<FcObjectSet, FcObjectSetDeleter> objects(
        // The file and face index keep two installed faces that share a full name apart, so
        // each is listed, as the system's own font enumeration lists them.
        FcObjectSetBuild(FC_FULLNAME, FC_FILE, FC_INDEX, static_cast<char*>(nullptr)));
    std::unique_ptr<FcFontSet, FcFontSetDeleter> fonts(
        FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts) return names;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* fullName = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FULLNAME, 0, &fullName) == FcResultMatch &&
            fullName)
            names.emplace_back(reinterpret_cast<const char*>(fullName));
    }
    std::sort(names.begin(), names.end());
    return names;
}
