#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

#include <spng.h>

#include "platform/image_codecs.h"

namespace {

struct ContextDeleter {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using Context = std::unique_ptr<spng_ctx, ContextDeleter>;

// Ancillary chunks (text, colour profiles) are held in memory while the file is read; a file
// that claims gigabytes of them must not get them.
constexpr std::size_t kMaxChunkBytes = 64u << 20;
constexpr std::size_t kMaxChunkCacheBytes = 64u << 20;

std::string reason(const char* what, int code)
{
    return std::string(what) + ": " + spng_strerror(code);
}

}  // namespace

bool decodePng(std::FILE* file, Picture& picture, std::string& error)
{
    Context context(spng_ctx_new(0));
    if (!context) {
        error = "out of memory";
        return false;
    }
    spng_ctx* png = context.get();
    spng_set_image_limits(png, kMaxPictureSide, kMaxPictureSide);
    spng_set_chunk_limits(png, kMaxChunkBytes, kMaxChunkCacheBytes);
    if (int code = spng_set_png_file(png, file)) {
        error = reason("unreadable PNG", code);
        return false;
    }
    // The size is checked from the header, before a single pixel is allocated.
    spng_ihdr header{};
    if (int code = spng_get_ihdr(png, &header)) {
        if (code == SPNG_EUSER_WIDTH || code == SPNG_EUSER_HEIGHT)
            error = "larger than " + std::to_string(kMaxPictureSide) + " pixels on a side";
        else
            error = reason("broken PNG header", code);
        return false;
    }
    std::size_t bytes = 0;
    if (int code = spng_decoded_image_size(png, SPNG_FMT_RGBA8, &bytes)) {
        error = reason("broken PNG header", code);
        return false;
    }
    picture.width = static_cast<int>(header.width);
    picture.height = static_cast<int>(header.height);
    picture.pixels.assign(bytes / 4, 0);
    // Decoded straight into the picture as R, G, B, A bytes, then turned into ARGB in place.
    if (int code = spng_decode_image(png, picture.pixels.data(), bytes, SPNG_FMT_RGBA8,
                                     SPNG_DECODE_TRNS)) {
        error = reason("broken PNG data", code);
        picture = Picture{};
        return false;
    }
    for (uint32_t& pixel : picture.pixels) {
        const auto* rgba = reinterpret_cast<const unsigned char*>(&pixel);
        pixel = premultipliedArgb(rgba[0], rgba[1], rgba[2], rgba[3]);
    }
    return true;
}

namespace {

// Rec. 709 luminance, as picture tools make grey from colour.
unsigned luminance(uint32_t argb)
{
    const double r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    return static_cast<unsigned>(0.2126 * r + 0.7152 * g + 0.0722 * b + 0.5);
}

uint32_t unpremultiplied(uint32_t p)
{
    const uint32_t a = p >> 24;
    if (a == 255 || a == 0) return a == 0 ? 0 : p;
    auto channel = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
    return a << 24 | channel((p >> 16) & 0xFF) << 16 | channel((p >> 8) & 0xFF) << 8 |
           channel(p & 0xFF);
}

// Packs samples of `bits` bits (1, 2, 4 or 8) into a row, most significant first.
void packSample(std::vector<unsigned char>& row, int x, int bits, unsigned value)
{
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    row[static_cast<std::size_t>(x / perByte)] |= static_cast<unsigned char>(value << shift);
}

}  // namespace

std::vector<unsigned char> encodePng(const Picture& picture, int layout)
{
    const int w = picture.width, h = picture.height;
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(w);
    header.height = static_cast<uint32_t>(h);
    // The layouts a test can ask for: bits per pixel as the picture tests name them.
    struct Layout {
        int layout;
        uint8_t bitDepth;
        uint8_t colorType;
        int channels;
    };
    static constexpr Layout kLayouts[] = {
        {64, 16, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 4}, {32, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 4},
        {24, 8, SPNG_COLOR_TYPE_TRUECOLOR, 3},        {108, 8, SPNG_COLOR_TYPE_GRAYSCALE, 1},
        {8, 8, SPNG_COLOR_TYPE_INDEXED, 1},           {4, 4, SPNG_COLOR_TYPE_INDEXED, 1},
        {1, 1, SPNG_COLOR_TYPE_INDEXED, 1}};
    const auto found = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                                    [&](const Layout& l) { return l.layout == layout; });
    if (found == std::end(kLayouts)) return {};
    header.bit_depth = found->bitDepth;
    header.color_type = found->colorType;
    const int channels = found->channels;
    Context context(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!context) return {};
    spng_ctx* png = context.get();
    spng_set_option(png, SPNG_ENCODE_TO_BUFFER, 1);
    if (spng_set_ihdr(png, &header)) return {};

    // Palette layouts: 8 bits keeps the first 256 distinct colours (any further colour takes
    // the first; the tests' pictures have a handful); 4 bits is a 16-level grey ramp, 1 bit
    // black and white at half luminance.
    spng_plte palette{};
    std::vector<uint32_t> colours;
    auto paletteIndex = [&](uint32_t argb) -> unsigned {
        if (layout == 4) return luminance(argb) >> 4;
        if (layout == 1) return luminance(argb) >= 128 ? 1 : 0;
        for (std::size_t i = 0; i < colours.size(); ++i)
            if (colours[i] == (argb | 0xFF000000u)) return static_cast<unsigned>(i);
        if (colours.size() < 256) {
            colours.push_back(argb | 0xFF000000u);
            return static_cast<unsigned>(colours.size() - 1);
        }
        return 0;
    };
    const int bits = header.bit_depth * channels;
    const std::size_t stride = (static_cast<std::size_t>(w) * bits + 7) / 8;
    std::vector<unsigned char> data(stride * static_cast<std::size_t>(h), 0);
    for (int y = 0; y < h; ++y) {
        std::vector<unsigned char> row(stride, 0);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = unpremultiplied(picture.pixels[static_cast<std::size_t>(y) * w + x]);
            const unsigned char argb[4] = {
                static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 24)};
            const std::size_t at = static_cast<std::size_t>(x) * bits / 8;
            switch (layout) {
                case 64:
                    for (int c = 0; c < 4; ++c) row[at + 2 * c] = row[at + 2 * c + 1] = argb[c];
                    break;
                case 32:
                case 24:
                    for (int c = 0; c < channels; ++c) row[at + c] = argb[c];
                    break;
                case 108:
                    row[at] = static_cast<unsigned char>(luminance(p));
                    break;
                default:
                    packSample(row, x, header.bit_depth, paletteIndex(p));
            }
        }
        std::copy(row.begin(), row.end(), data.begin() + static_cast<std::ptrdiff_t>(stride * y));
    }
    if (header.color_type == SPNG_COLOR_TYPE_INDEXED) {
        if (layout == 4 || layout == 1) {
            const unsigned levels = layout == 4 ? 16 : 2;
            for (unsigned i = 0; i < levels; ++i) {
                const unsigned grey = i * 255 / (levels - 1);
                colours.push_back(0xFF000000u | grey << 16 | grey << 8 | grey);
            }
        }
        if (colours.empty()) colours.push_back(0xFF000000u);
        palette.n_entries = static_cast<uint32_t>(colours.size());
        for (std::size_t i = 0; i < colours.size(); ++i) {
            palette.entries[i].red = static_cast<uint8_t>(colours[i] >> 16);
            palette.entries[i].green = static_cast<uint8_t>(colours[i] >> 8);
            palette.entries[i].blue = static_cast<uint8_t>(colours[i]);
        }
        if (spng_set_plte(png, &palette)) return {};
    }
    if (spng_encode_image(png, data.data(), data.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE))
        return {};
    std::size_t length = 0;
    int code = 0;
    std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
        static_cast<unsigned char*>(spng_get_png_buffer(png, &length, &code)), &std::free);
    if (!buffer || code) return {};
    return std::vector<unsigned char>(buffer.get(), buffer.get() + length);
}
