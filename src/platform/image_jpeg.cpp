#include <csetjmp>
#include <cstdlib>
#include <memory>

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/image_codecs.h"

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to
// the decoder's entry point. Nothing with a destructor lives between the two, so the jump
// releases nothing by accident; the decoder's own cleanup runs after the jump.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void failJpeg(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings are silent, except the end of the data arriving early: libjpeg would fill the rest
// of a truncated file with grey, and a half-grey picture is refused like a broken one.
void warnJpeg(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) failJpeg(info);
}

// Adobe CMYK JPEGs store inverted ink values.
void cmykRowToArgb(const unsigned char* cmyk, uint32_t* out, unsigned width)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4) {
        const uint32_t k = cmyk[3];
        out[x] =
            0xFF000000u | (cmyk[0] * k / 255) << 16 | (cmyk[1] * k / 255) << 8 | cmyk[2] * k / 255;
    }
}

}  // namespace

namespace {

// Holds no object with a destructor, so that a jump back to its setjmp skips none; what outlives
// the jump (the picture, the row buffer, the error text) belongs to the caller.
bool readJpeg(std::FILE* file, Picture& picture, std::vector<unsigned char>& inks,
              std::string& error)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    errors.message[0] = '\0';
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = failJpeg;
    errors.manager.emit_message = warnJpeg;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        error.assign("broken JPEG: ").append(errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    // The size is checked from the header, before a single pixel is allocated.
    if (info.image_width > static_cast<unsigned>(kMaxPictureSide) ||
        info.image_height > static_cast<unsigned>(kMaxPictureSide)) {
        jpeg_destroy_decompress(&info);
        error.assign("larger than ")
            .append(std::to_string(kMaxPictureSide))
            .append(" pixels on a side");
        return false;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    // B, G, R, A bytes are a little-endian 0xAARRGGBB: rows are decoded straight into place.
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    const unsigned w = info.output_width, h = info.output_height;
    picture.width = static_cast<int>(w);
    picture.height = static_cast<int>(h);
    picture.pixels.assign(static_cast<std::size_t>(w) * h, 0);
    if (cmyk) inks.resize(static_cast<std::size_t>(w) * 4);
    while (info.output_scanline < h) {
        uint32_t* target =
            picture.pixels.data() + static_cast<std::size_t>(info.output_scanline) * w;
        JSAMPROW row = cmyk ? inks.data() : reinterpret_cast<JSAMPROW>(target);
        jpeg_read_scanlines(&info, &row, 1);
        if (cmyk) cmykRowToArgb(inks.data(), target, w);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

bool decodeJpeg(std::FILE* file, Picture& picture, std::string& error)
{
    std::vector<unsigned char> inks;
    if (readJpeg(file, picture, inks, error)) return true;
    picture = Picture{};
    return false;
}

std::vector<unsigned char> encodeJpeg(const Picture& picture)
{
    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = failJpeg;
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(
            picture.pixels.data() + static_cast<std::size_t>(info.next_scanline) * picture.width));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> bytes(buffer, buffer + length);
    std::free(buffer);
    return bytes;
}
