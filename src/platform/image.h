// Decoded pictures. Whatever the file's layout (palette, grey, 16, 24 or 32 bits, with or
// without alpha), a loaded picture is 32-bit premultiplied ARGB, top row first, ready to be
// drawn on a Canvas and cheap to turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    // width * height pixels, row by row from the top; each 0xAARRGGBB premultiplied by alpha.
    std::vector<uint32_t> pixels;

    std::size_t byteSize() const { return pixels.size() * sizeof(uint32_t); }
};

// Pictures larger than this on either side are refused rather than decoded (a broken or hostile
// file must not take the machine's memory).
constexpr int kMaxPictureSide = 8192;

// Loads a PNG or JPEG picture, told by the file's first bytes whatever its name. Returns nothing
// when the file is missing, is of another format, does not decode whole or is larger than
// kMaxPictureSide (refused from the header, before any pixel is allocated); *why then receives
// a short reason. Thread-safe.
std::optional<Picture> loadPicture(const std::string& path, std::string* why = nullptr);

// Writes a picture as PNG; false on failure. For tests and tools.
bool savePicturePng(const Picture& picture, const std::string& path);

// Writes a picture as a PNG of the given pixel layout, for tests and tools that need pictures
// of every kind: 1, 4 or 8 (palette), 108 (8-bit grey, no palette colours), 24 (RGB), 32 (RGBA)
// or 64 (16 bits a channel, RGBA) bits per pixel; a JPEG when the path ends in ".jpg". False on
// failure or an unknown layout.
bool savePictureAs(const Picture& picture, const std::string& path, int layout);

// Whether a regular file (or a link to one) exists at path.
bool pictureFileExists(const std::string& path);

// Size and modification time of a regular file, so that a cache can tell a replaced picture
// from the one it holds. Nothing when there is no such file.
struct PictureFileStamp {
    int64_t size = 0;
    int64_t modifiedNs = 0;
};
std::optional<PictureFileStamp> pictureFileStamp(const std::string& path);
