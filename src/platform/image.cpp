#include "platform/image.h"

#include <cstring>
#include <memory>
#include <mutex>

#include <FreeImage.h>
#include <cairo.h>
#include <malloc.h>
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

// Decoding a picture allocates and frees several buffers of a megabyte or more. With glibc's
// default thresholds each of them is mapped fresh from the kernel and faulted in page by page on
// every decode, which made a decode three times slower than the decompression itself. Raising
// the thresholds once lets freed picture buffers be reused.
void keepLargeBuffersInTheHeap()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
    });
}

// Copies rows of a 24- or 32-bit bitmap straight into the picture, premultiplying alpha.
void copyTrueColour(FIBITMAP* dib, Picture& picture)
{
    const unsigned bytes = FreeImage_GetBPP(dib) / 8;
    const unsigned w = static_cast<unsigned>(picture.width),
                   h = static_cast<unsigned>(picture.height);
    for (unsigned y = 0; y < h; ++y) {
        // FreeImage keeps rows bottom-up.
        const BYTE* row = FreeImage_GetScanLine(dib, static_cast<int>(h - 1 - y));
        uint32_t* out = picture.pixels.data() + static_cast<std::size_t>(y) * w;
        for (unsigned x = 0; x < w; ++x) {
            const BYTE* p = row + x * bytes;
            const uint32_t alpha = bytes == 4 ? p[FI_RGBA_ALPHA] : 0xFF;
            out[x] = premultiply(alpha << 24 | static_cast<uint32_t>(p[FI_RGBA_RED]) << 16 |
                                 static_cast<uint32_t>(p[FI_RGBA_GREEN]) << 8 | p[FI_RGBA_BLUE]);
        }
    }
}

}  // namespace

bool pictureFileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<PictureFileStamp> pictureFileStamp(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return PictureFileStamp{
        static_cast<int64_t>(info.st_size),
        static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

std::optional<Picture> loadPicture(const std::string& path)
{
    keepLargeBuffersInTheHeap();
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
    Picture picture;
    picture.width = static_cast<int>(w);
    picture.height = static_cast<int>(h);
    picture.pixels.resize(static_cast<std::size_t>(w) * h);
    const unsigned bpp = FreeImage_GetBPP(loaded.get());
    if (FreeImage_GetImageType(loaded.get()) == FIT_BITMAP && (bpp == 24 || bpp == 32) &&
        FreeImage_GetColorType(loaded.get()) != FIC_CMYK) {
        copyTrueColour(loaded.get(), picture);
    } else {
        // Palette, grey, 16-bit and high-precision layouts: FreeImage makes them 32-bit first.
        BitmapPtr bits32 = to32Bits(loaded.get());
        if (!bits32 || FreeImage_GetBPP(bits32.get()) != 32 ||
            FreeImage_GetWidth(bits32.get()) != w || FreeImage_GetHeight(bits32.get()) != h)
            return std::nullopt;
        copyTrueColour(bits32.get(), picture);
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
    BitmapPtr rgba(
        FreeImage_Allocate(w, h, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
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
