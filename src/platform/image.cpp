#include "platform/image.h"

#include <cstring>
#include <memory>

#include <FreeImage.h>
#include <cairo.h>
#include <sys/stat.h>

namespace {

struct BitmapDeleter {
    void operator()(FIBITMAP* b) const { FreeImage_Unload(b); }
};
using BitmapPtr = std::unique_ptr<FIBITMAP, BitmapDeleter>;

uint32_t premultiply(uint32_t argb)
{
    uint32_t a = argb >> 24;
    if (a == 255) return argb;
    if (a == 0) return 0;
    auto channel = [a](uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (channel((argb >> 16) & 0xFF) << 16) | (channel((argb >> 8) & 0xFF) << 8) |
           channel(argb & 0xFF);
}

// Any FreeImage bitmap as a standard 32-bit one (B, G, R, A bytes per pixel); null when
// FreeImage cannot convert it.
BitmapPtr to32Bits(FIBITMAP* dib)
{
    FREE_IMAGE_TYPE type = FreeImage_GetImageType(dib);
    BitmapPtr standard;
    if (type != FIT_BITMAP && type != FIT_RGB16 && type != FIT_RGBA16) {
        standard.reset(FreeImage_ConvertToStandardType(dib, TRUE));
        if (!standard) return nullptr;
        dib = standard.get();
    }
    return BitmapPtr(FreeImage_ConvertTo32Bits(dib));
}

}  // namespace

bool pictureFileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<Picture> loadPicture(const std::string& path)
{
    if (!pictureFileExists(path)) return std::nullopt;
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) return std::nullopt;
    if (!FreeImage_FIFSupportsReading(format)) return std::nullopt;

    // Read the header first, so a picture claiming a huge size is refused before its pixels are
    // allocated.
    if (FreeImage_FIFSupportsNoPixels(format)) {
        BitmapPtr header(FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS));
        if (!header) return std::nullopt;
        unsigned w = FreeImage_GetWidth(header.get()), h = FreeImage_GetHeight(header.get());
        if (w == 0 || h == 0 || w > kMaxPictureSide || h > kMaxPictureSide) return std::nullopt;
    }
    BitmapPtr loaded(FreeImage_Load(format, path.c_str(), 0));
    if (!loaded || !FreeImage_HasPixels(loaded.get())) return std::nullopt;
    unsigned w = FreeImage_GetWidth(loaded.get()), h = FreeImage_GetHeight(loaded.get());
    if (w == 0 || h == 0 || w > kMaxPictureSide || h > kMaxPictureSide) return std::nullopt;
    BitmapPtr bits32 = to32Bits(loaded.get());
    if (!bits32 || FreeImage_GetBPP(bits32.get()) != 32 || FreeImage_GetWidth(bits32.get()) != w ||
        FreeImage_GetHeight(bits32.get()) != h)
        return std::nullopt;

    Picture picture;
    picture.width = static_cast<int>(w);
    picture.height = static_cast<int>(h);
    picture.pixels.resize(static_cast<std::size_t>(w) * h);
    for (unsigned y = 0; y < h; ++y) {
        // FreeImage keeps rows bottom-up.
        const BYTE* row = FreeImage_GetScanLine(bits32.get(), static_cast<int>(h - 1 - y));
        uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * w;
        for (unsigned x = 0; x < w; ++x) {
            const BYTE* p = row + x * 4;
            uint32_t argb = (static_cast<uint32_t>(p[FI_RGBA_ALPHA]) << 24) |
                            (static_cast<uint32_t>(p[FI_RGBA_RED]) << 16) |
                            (static_cast<uint32_t>(p[FI_RGBA_GREEN]) << 8) | p[FI_RGBA_BLUE];
            out[x] = premultiply(argb);
        }
    }
    return picture;
}

bool savePicturePng(const Picture& picture, const std::string& path)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() < static_cast<std::size_t>(picture.width) * picture.height)
        return false;
    std::vector<uint32_t> copy = picture.pixels;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(copy.data()), CAIRO_FORMAT_ARGB32, picture.width,
        picture.height, picture.width * 4);
    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
              cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

bool savePictureAs(const Picture& picture, const std::string& path, int layout)
{
    const int w = picture.width, h = picture.height;
    if (w <= 0 || h <= 0 || picture.pixels.size() < static_cast<std::size_t>(w) * h) return false;
    BitmapPtr rgba(FreeImage_Allocate(w, h, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                      FI_RGBA_BLUE_MASK));
    if (!rgba) return false;
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(rgba.get(), h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t p = picture.pixels[static_cast<std::size_t>(y) * w + x];
            uint32_t a = p >> 24;
            auto unpremultiply = [a](uint32_t c) { return a == 0 ? 0 : (c * 255 + a / 2) / a; };
            row[x * 4 + FI_RGBA_RED] = static_cast<BYTE>(unpremultiply((p >> 16) & 0xFF));
            row[x * 4 + FI_RGBA_GREEN] = static_cast<BYTE>(unpremultiply((p >> 8) & 0xFF));
            row[x * 4 + FI_RGBA_BLUE] = static_cast<BYTE>(unpremultiply(p & 0xFF));
            row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(a);
        }
    }
    BitmapPtr out;
    BitmapPtr rgb(FreeImage_ConvertTo24Bits(rgba.get()));
    switch (layout) {
    case 32:
        out = std::move(rgba);
        break;
    case 24:
        out = std::move(rgb);
        break;
    case 8:
        if (rgb) out.reset(FreeImage_ColorQuantizeEx(rgb.get(), FIQ_NNQUANT, 256, 0, nullptr));
        break;
    case 108:
        if (rgb) out.reset(FreeImage_ConvertToGreyscale(rgb.get()));
        break;
    case 4:
        if (rgb) out.reset(FreeImage_ConvertTo4Bits(rgb.get()));
        break;
    case 1:
        if (rgb) out.reset(FreeImage_Threshold(rgb.get(), 128));
        break;
    default:
        return false;
    }
    if (!out) return false;
    const bool bmp = path.size() >= 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
    return FreeImage_Save(bmp ? FIF_BMP : FIF_PNG, out.get(), path.c_str(), 0) != 0;
}
