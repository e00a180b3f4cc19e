#include "platform/font.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <fontconfig/fontconfig.h>

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

    PatternPtr pattern(FcPatternCreate());
    std::string name = validUtf8(cutFaceName(face));
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddDouble(pattern.get(), FC_PIXEL_SIZE, std::max(impl->pixelHeight, 1));
    if (highlight) {
        FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_EXTRABOLD);
        FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ITALIC);
    }
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr matched(FcFontMatch(nullptr, pattern.get(), &result));
    FcPattern* use = matched ? matched.get() : pattern.get();
    FcChar8* family = nullptr;
    if (FcPatternGetString(use, FC_FAMILY, 0, &family) == FcResultMatch && family)
        impl->family = reinterpret_cast<const char*>(family);

    impl->face.reset(cairo_ft_font_face_create_for_pattern(use));
    impl->options.reset(cairo_font_options_create());
    cairo_font_options_set_hint_metrics(impl->options.get(), CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_antialias(impl->options.get(), CAIRO_ANTIALIAS_GRAY);

    cairo_matrix_t fontMatrix, ctm;
    cairo_matrix_init_scale(&fontMatrix, impl->pixelHeight, impl->pixelHeight);
    cairo_matrix_init_identity(&ctm);
    impl->scaled.reset(
        cairo_scaled_font_create(impl->face.get(), &fontMatrix, &ctm, impl->options.get()));
    if (impl->pixelHeight > 0 &&
        cairo_scaled_font_status(impl->scaled.get()) == CAIRO_STATUS_SUCCESS) {
        cairo_font_extents_t extents;
        cairo_scaled_font_extents(impl->scaled.get(), &extents);
        impl->ascent = static_cast<int>(std::ceil(extents.ascent - 1e-6));
        impl->descent = static_cast<int>(std::ceil(extents.descent - 1e-6));
    }
    return std::unique_ptr<Font>(new Font(std::move(impl)));
}

const std::string& Font::matchedFamily() const { return impl_->family; }
int Font::pixelHeight() const { return impl_->pixelHeight; }
int Font::orientation() const { return impl_->orientation; }
int Font::escapement() const { return impl_->escapement; }
int Font::ascent() const { return impl_->ascent; }
int Font::descent() const { return impl_->descent; }

int Font::lineHeight() const { return std::max(1, impl_->ascent + impl_->descent); }

int Font::textWidth(const std::string& utf8) const
{
    if (utf8.empty() || impl_->pixelHeight <= 0) return 0;
    if (cairo_scaled_font_status(impl_->scaled.get()) != CAIRO_STATUS_SUCCESS) return 0;
    std::string text = validUtf8(utf8);
    cairo_text_extents_t extents;
    cairo_scaled_font_text_extents(impl_->scaled.get(), text.c_str(), &extents);
    return static_cast<int>(std::lround(extents.x_advance));
}

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
