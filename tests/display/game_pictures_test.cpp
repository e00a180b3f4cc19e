// Game pictures: decoding every layout, bad files, finding, turning, placing, resizing, caching.
// Drawing them in their corners is covered by the list view's golden frames.
#include "display/game_pictures.h"

#include <fstream>

#include <gtest/gtest.h>

#include "display/display_fixture.h"

namespace {

int channelDistance(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
    return worst;
}

uint32_t at(const Picture& p, int x, int y) { return p.pixels[std::size_t(y) * p.width + x]; }

}  // namespace

// Whatever the bit depth, the file's top-left quadrant is the picture's top-left quadrant.
TEST(LoadPicture, EveryPixelLayoutComesOutUpright)
{
    TempFolder folder("image");
    const Picture source = quadrantPicture(13, 7);  // odd sizes: padded rows
    // {layout, top-left, top-right, bottom-left, tolerance}; bottom-right is white in each.
    const uint32_t cases[][5] = {
        {32, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0},
        {24, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0},
        {8, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 8},
        {108, 0xFF2C2C2C, 0xFF727272, 0xFF0F0F0F, 2},   // grey: luminance
        {4, 0xFF222222, 0xFF777777, 0xFF000000, 0x11},  // a 16-level grey palette
        {1, 0xFF000000, 0xFF000000, 0xFF000000, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const std::string path = folder.path + "/p" + std::to_string(c[0]) + ".png";
        ASSERT_TRUE(savePictureAs(source, path, static_cast<int>(c[0])));
        auto p = loadPicture(path);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->pixels.size(), 13u * 7u);
        const int tolerance = static_cast<int>(c[4]);
        EXPECT_LE(channelDistance(at(*p, 1, 1), c[1]), tolerance);
        EXPECT_LE(channelDistance(at(*p, 11, 1), c[2]), tolerance);
        EXPECT_LE(channelDistance(at(*p, 1, 5), c[3]), tolerance);
        EXPECT_LE(channelDistance(at(*p, 11, 5), 0xFFFFFFFF), tolerance);
    }
    Picture alpha{2, 1, {0x80800000, 0x00000000}};  // half-transparent red, clear
    ASSERT_TRUE(savePictureAs(alpha, folder.path + "/a.png", 32));
    auto loaded = loadPicture(folder.path + "/a.png");
    ASSERT_TRUE(loaded);
    EXPECT_LE(channelDistance(loaded->pixels[0], 0x80800000), 1);  // premultiplied
    EXPECT_EQ(loaded->pixels[1], 0u);
}

TEST(LoadPicture, BadFilesAreSkipped)
{
    TempFolder folder("bad");
    std::ofstream(folder.path + "/text.png") << "this is not a picture";
    std::filesystem::create_directories(folder.path + "/folder.png");
    ASSERT_TRUE(savePictureAs(quadrantPicture(64, 64), folder.path + "/whole.png", 24));
    ASSERT_TRUE(
        savePictureAs(quadrantPicture(kMaxPictureSide + 1, 1), folder.path + "/wide.png", 24));
    for (const char* name : {"text.png", "folder.png", "missing.png", "wide.png"})
        EXPECT_FALSE(loadPicture(folder.path + "/" + name)) << name;
    std::ifstream in(folder.path + "/whole.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (std::size_t keep : {std::size_t(0), std::size_t(8), std::size_t(40), bytes.size() / 2}) {
        std::ofstream(folder.path + "/cut.png", std::ios::binary) << bytes.substr(0, keep);
        // A truncated file either fails or gives a picture of the stated size.
        if (auto p = loadPicture(folder.path + "/cut.png")) {
            EXPECT_EQ(p->pixels.size(), std::size_t(p->width) * p->height);
        }
    }
    ASSERT_TRUE(savePictureAs(quadrantPicture(1, 1), folder.path + "/one.bmp", 24));
    std::filesystem::rename(folder.path + "/one.bmp", folder.path + "/bmp.png");
    EXPECT_EQ(loadPicture(folder.path + "/bmp.png")->width, 1);  // read by its content
}

TEST(FindPicture, OwnThenParentThenNothing)
{
    TempFolder folder("find");
    const std::string dir = folder.path;
    savePictureAs(quadrantPicture(4, 4), dir + "/parent.png", 24);
    savePictureAs(quadrantPicture(4, 4), dir + "/owned.png", 24);
    std::filesystem::create_directories(dir + "/afolder.png");
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"owned", dir + "/owned.png"},
        {"clone", dir + "/parent.png"},
        {"afolder", std::nullopt},  // a folder where the file was expected, and no parent
    };
    for (auto& [name, expected] : cases) {
        auto game = makeGame(name, name);
        game->cloneof = name == std::string("afolder") ? "nothere" : "parent";
        EXPECT_EQ(findPicture(dir, *game), expected) << name;
    }
}

TEST(TurnPicture, CornersGoWhereTheViewerExpects)
{
    EXPECT_EQ(dibRowStride(5, 24), 16);
    Picture source{7, 4, std::vector<uint32_t>(28, 0)};
    source.pixels[1 * 7 + 5] = 1;  // (5, 1)
    // {orientation, width, where the mark lands}
    const int cases[][4] = {{-90, 4, 1, 1}, {90, 4, 2, 5}, {180, 7, 1, 2}, {45, 7, 5, 1}};
    for (auto& c : cases) {
        const Picture turned = turnPicture(source, c[0]);
        ASSERT_EQ(turned.width, c[1]) << c[0];
        EXPECT_EQ(at(turned, c[2], c[3]), 1u) << c[0];
    }
    EXPECT_TRUE(turnPicture(Picture{}, 90).pixels.empty());
}

// Two corners here; the list view's golden frames show all four orientations.
TEST(PicturePlacement, CornersFitAndResize)
{
    const Rect area{0, 20, 800, 580};
    EXPECT_EQ(cornerPicturePosition(PictureKind::Screenshot, 0, area, 100, 50), (Point{690, 520}));
    EXPECT_EQ(cornerPicturePosition(PictureKind::Flyer, 0, area, 100, 50), (Point{690, 30}));
    EXPECT_EQ(cornerPicturePosition(PictureKind::Screenshot, 90, area, 100, 50), (Point{10, 520}));
    EXPECT_EQ(cornerPicturePosition(PictureKind::Flyer, 90, area, 100, 50), (Point{690, 520}));
    const Rect box{10, 20, 194, 264};
    EXPECT_EQ(fittedPictureRect(box, 100, 50), (Rect{10, 96, 194, 188}));
    EXPECT_EQ(fittedPictureRect(box, 50, 200), (Rect{71, 20, 132, 264}));
    EXPECT_TRUE(fittedPictureRect(box, 0, 10).empty());

    const Picture source = quadrantPicture(8, 6);
    const Picture half = resizePicture(source, 4, 3);
    EXPECT_EQ(at(half, 0, 0), 0xFFD00000u);  // each quadrant keeps its colour
    EXPECT_EQ(at(half, 3, 0), 0xFF00A000u);
    EXPECT_EQ(at(half, 3, 2), 0xFFFFFFFFu);
    const Picture checker{2, 2, {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF}};
    EXPECT_EQ(resizePicture(checker, 1, 1).pixels, std::vector<uint32_t>{0xFF808080u});  // averaged
    const Picture mixed = resizePicture(source, 2, 30);  // narrower and taller at once
    EXPECT_EQ(mixed.pixels.front(), 0xFFD00000u);
    EXPECT_EQ(mixed.pixels.back(), 0xFFFFFFFFu);
    EXPECT_TRUE(resizePicture(source, -3, 5).pixels.empty());
}

TEST(PictureCache, DecodesOnceStaysBoundedAndSeesReplacedFiles)
{
    TempFolder folder("cache");
    const std::string a = folder.path + "/a.png", b = folder.path + "/b.png";
    savePictureAs(quadrantPicture(100, 100), a, 24);  // 40,000 bytes decoded
    savePictureAs(quadrantPicture(100, 100), b, 24);
    std::ofstream(folder.path + "/broken.png") << "garbage";
    PictureCache cache(100000);
    auto first = cache.get(a, 0);
    EXPECT_EQ(cache.get(a, 0), first);
    auto turned = cache.get(a, 90);  // the orientation is part of the key
    EXPECT_EQ(turned->pixels[0], turnPicture(*first, 90).pixels[0]);
    EXPECT_FALSE(cache.get(folder.path + "/broken.png", 0));
    EXPECT_FALSE(cache.get(folder.path + "/broken.png", 0));  // a failure is remembered
    EXPECT_EQ(cache.decodeCount(), 3);
    cache.get(b, 0);  // over the limit: the oldest goes
    EXPECT_LE(cache.bytesHeld(), 100000u);
    EXPECT_EQ(first->width, 100);  // a picture handed out stays valid after eviction

    Rect dest;
    EXPECT_EQ(cache.getFitted(a, 0, Rect{0, 0, 50, 20}, dest)->width, 20);
    EXPECT_EQ(dest, (Rect{15, 0, 35, 20}));
    dest = {};
    cache.getFitted(a, 0, Rect{0, 0, 50, 20}, dest);  // from the cache: the same place
    EXPECT_EQ(dest, (Rect{15, 0, 35, 20}));
    // A different picture on disk is read again.
    ASSERT_TRUE(savePictureAs(quadrantPicture(30, 10, 0xFF000000), a, 24));
    EXPECT_EQ(cache.get(a, 0)->width, 30);
    EXPECT_EQ(cache.getResized(a, 0, 5, 5)->pixels[4 * 5 + 4], 0xFF000000u);
}
