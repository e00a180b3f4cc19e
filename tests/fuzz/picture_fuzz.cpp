// Pictures: screenshots and flyers come from picture packs of any origin.
#include "fuzz_scratch.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile scratch(".png");
    if (const auto picture = loadPicture(scratch.write(fuzz::asText(data, size)))) {
        FUZZ_CHECK(picture->width > 0 && picture->width <= kMaxPictureSide);
        FUZZ_CHECK(picture->height > 0 && picture->height <= kMaxPictureSide);
        FUZZ_CHECK(picture->pixels.size() ==
                   static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height));
    }
    return 0;
}
