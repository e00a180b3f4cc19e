// The decoders and encoders behind loadPicture and savePictureAs, one per file format. Each
// decoder reads an open file positioned at its start and refuses, with a short reason, anything
// it cannot read whole or that is larger than kMaxPictureSide on either side.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/image.h"

bool decodePng(std::FILE* file, Picture& picture, std::string& error);
bool decodeJpeg(std::FILE* file, Picture& picture, std::string& error);

// PNG of the given layout (see savePictureAs) as bytes; empty on failure.
std::vector<unsigned char> encodePng(const Picture& picture, int layout);
// Baseline JPEG at high quality as bytes; empty on failure.
std::vector<unsigned char> encodeJpeg(const Picture& picture);

// 0xAARRGGBB with the colour channels premultiplied by alpha.
inline uint32_t premultipliedArgb(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    if (a == 255) return 0xFF000000u | r << 16 | g << 8 | b;
    if (a == 0) return 0;
    auto channel = [a](uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
}
