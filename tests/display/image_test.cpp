#include "platform/image.h"

#include <fstream>

#include <gtest/gtest.h>

#include "display/display_fixture.h"

namespace {

uint32_t at(const Picture& p, int x, int y)
{
    return p.pixels[static_cast<std::size_t>(y) * p.width + x];
}

int channelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
    return worst;
}

}  // namespace

// Every layout FreeImage reads comes out as upright 32-bit pixels: the top-left quadrant of the
// file is the top-left quadrant of the picture, whatever the bit depth.
TEST(LoadPicture, EveryPixelLayoutComesOutUpright)
{
    TempFolder folder("image");
    const Picture source = quadrantPicture(13, 7, 0xFFFFFFFF);  // odd sizes: padded rows
    struct Case {
        int layout;
        uint32_t topLeft, topRight, bottomLeft, bottomRight;
        int tolerance;
    } cases[] = {
        {32, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0xFFFFFFFF, 0},
        {24, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0xFFFFFFFF, 0},
        {8, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0xFFFFFFFF, 8},
        // Grey: the luminance of each colour (0.2126 R + 0.7152 G + 0.0722 B).
        {108, 0xFF2C2C2C, 0xFF727272, 0xFF0F0F0F, 0xFFFFFFFF, 2},
        // FreeImage writes 4 bits as a 16-level grey palette.
        {4, 0xFF222222, 0xFF777777, 0xFF000000, 0xFFFFFFFF, 0x11},
        {1, 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        const std::string path = folder.path + "/p" + std::to_string(c.layout) + ".png";
        ASSERT_TRUE(savePictureAs(source, path, c.layout));
        auto p = loadPicture(path);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->width, 13);
        ASSERT_EQ(p->height, 7);
        ASSERT_EQ(p->pixels.size(), 13u * 7u);
        EXPECT_LE(channelDistance(at(*p, 1, 1), c.topLeft), c.tolerance);
        EXPECT_LE(channelDistance(at(*p, 11, 1), c.topRight), c.tolerance);
        EXPECT_LE(channelDistance(at(*p, 1, 5), c.bottomLeft), c.tolerance);
        EXPECT_LE(channelDistance(at(*p, 11, 5), c.bottomRight), c.tolerance);
    }
}

TEST(LoadPicture, AlphaIsPremultiplied)
{
    TempFolder folder("alpha");
    Picture p;
    p.width = 2;
    p.height = 1;
    p.pixels = {0x80800000, 0x00000000};  // half-transparent red (premultiplied), clear
    ASSERT_TRUE(savePictureAs(p, folder.path + "/a.png", 32));
    auto loaded = loadPicture(folder.path + "/a.png");
    ASSERT_TRUE(loaded);
    EXPECT_LE(channelDistance(loaded->pixels[0], 0x80800000), 1);
    EXPECT_EQ(loaded->pixels[1], 0u);
}

TEST(LoadPicture, BadFilesAreSkipped)
{
    TempFolder folder("bad");
    const std::string text = folder.path + "/text.png";
    std::ofstream(text) << "this is not a picture";
    EXPECT_FALSE(loadPicture(text));
    EXPECT_FALSE(loadPicture(folder.path + "/missing.png"));
    EXPECT_FALSE(loadPicture(folder.path));  // a folder

    ASSERT_TRUE(savePictureAs(quadrantPicture(64, 64), folder.path + "/whole.png", 24));
    std::ifstream in(folder.path + "/whole.png", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (std::size_t keep : {std::size_t(0), std::size_t(8), std::size_t(40), bytes.size() / 2}) {
        std::ofstream(folder.path + "/cut.png", std::ios::binary) << bytes.substr(0, keep);
        auto p = loadPicture(folder.path + "/cut.png");
        // A truncated file either fails or gives a picture of the stated size; never a crash.
        if (p) {
            EXPECT_EQ(p->pixels.size(), static_cast<std::size_t>(p->width) * p->height);
        }
    }

    // A BMP under a .png name is read by its content.
    ASSERT_TRUE(savePictureAs(quadrantPicture(4, 4), folder.path + "/bmp.bmp", 24));
    std::filesystem::rename(folder.path + "/bmp.bmp", folder.path + "/really_bmp.png");
    EXPECT_TRUE(loadPicture(folder.path + "/really_bmp.png"));
}

TEST(LoadPicture, TinyAndHugePictures)
{
    TempFolder folder("sizes");
    ASSERT_TRUE(savePictureAs(quadrantPicture(1, 1), folder.path + "/one.png", 24));
    auto one = loadPicture(folder.path + "/one.png");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->width, 1);
    EXPECT_EQ(one->height, 1);
    // Wider than the limit: refused before its pixels are decoded.
    ASSERT_TRUE(
        savePictureAs(quadrantPicture(kMaxPictureSide + 1, 1), folder.path + "/wide.png", 24));
    EXPECT_FALSE(loadPicture(folder.path + "/wide.png"));
}
