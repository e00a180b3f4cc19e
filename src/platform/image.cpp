#include "platform/image.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <cairo.h>
#include <malloc.h>
#include <sys/stat.h>

#include "platform/image_codecs.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Decoding a picture allocates and frees buffers of a megabyte or more. With glibc's default
// thresholds each of them is mapped fresh from the kernel and faulted in page by page on every
// decode, which made a decode three times slower than the decompression itself. Raising the
// thresholds once lets freed picture buffers be reused.
void keepLargeBuffersInTheHeap()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
    });
}

enum class PictureFormat { Png, Jpeg, Other };

// Told by the first bytes, never by the name: picture packs hold JPEGs named ".png".
PictureFormat formatOf(const unsigned char* head, std::size_t length)
{
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length >= 8 && std::memcmp(head, png, 8) == 0) return PictureFormat::Png;
    if (length >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return PictureFormat::Jpeg;
    return PictureFormat::Other;
}

bool writeFile(const std::vector<unsigned char>& bytes, const std::string& path)
{
    if (bytes.empty()) return false;
    File file(std::fopen(path.c_str(), "wb"));
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fclose(file.release()) == 0;
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

std::optional<Picture> loadPicture(const std::string& path, std::string* why)
{
    keepLargeBuffersInTheHeap();
    std::string error;
    auto refuse = [&](std::string reason) -> std::optional<Picture> {
        if (why) *why = std::move(reason);
        return std::nullopt;
    };
    if (!pictureFileExists(path)) return refuse("no such file");
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return refuse(std::strerror(errno));
    unsigned char head[8] = {};
    const std::size_t length = std::fread(head, 1, sizeof head, file.get());
    std::rewind(file.get());
    Picture picture;
    switch (formatOf(head, length)) {
        case PictureFormat::Png:
            if (!decodePng(file.get(), picture, error)) return refuse(error);
            break;
        case PictureFormat::Jpeg:
            if (!decodeJpeg(file.get(), picture, error)) return refuse(error);
            break;
        case PictureFormat::Other:
            return refuse(length == 0 ? "empty file" : "neither PNG nor JPEG");
    }
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height)
        return refuse("no pixels");
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
    const bool jpeg = path.size() >= 4 && path.compare(path.size() - 4, 4, ".jpg") == 0;
    return writeFile(jpeg ? encodeJpeg(picture) : encodePng(picture, layout), path);
}
