#include "display/game_pictures.h"

#include <fstream>

#include <gtest/gtest.h>

#include "display/display_fixture.h"

namespace {

// A picture whose every pixel is 0xFF000000 except one marked pixel.
Picture marked(int w, int h, int mx, int my)
{
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.assign(static_cast<std::size_t>(w) * h, 0xFF000000);
    p.pixels[static_cast<std::size_t>(my) * w + mx] = 0xFFFFFFFF;
    return p;
}

Point markOf(const Picture& p)
{
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.pixels[static_cast<std::size_t>(y) * p.width + x] == 0xFFFFFFFF) return {x, y};
    return {-1, -1};
}

}  // namespace

TEST(FindPicture, OwnThenParentThenNothing)
{
    TempFolder folder("find");
    const std::string dir = folder.path;
    savePictureAs(quadrantPicture(4, 4), dir + "/parent.png", 24);
    savePictureAs(quadrantPicture(4, 4), dir + "/owned.png", 24);
    savePictureAs(quadrantPicture(4, 4), dir + "/averylongromname12.png", 24);
    auto game = [](const char* name, const char* cloneof) {
        auto g = makeGame(name, name);
        if (cloneof) g->cloneof = cloneof;
        return g;
    };
    struct {
        std::unique_ptr<GameRecord> game;
        std::optional<std::string> expected;
    } cases[] = {
        {game("owned", "parent"), dir + "/owned.png"},
        {game("clone", "parent"), dir + "/parent.png"},
        {game("orphan", "nothere"), std::nullopt},
        {game("parent2", nullptr), std::nullopt},
        {game("averylongromname12", nullptr), dir + "/averylongromname12.png"},
    };
    for (auto& c : cases) EXPECT_EQ(findPicture(dir, *c.game), c.expected) << c.game->romname;
}

TEST(TurnPicture, CornersGoWhereTheViewerExpects)
{
    EXPECT_EQ(dibRowStride(3, 24), 12);
    EXPECT_EQ(dibRowStride(5, 24), 16);  // the same picture turned, 5 high
    EXPECT_EQ(dibRowStride(1, 1), 4);
    EXPECT_EQ(dibRowStride(13, 32), 52);

    const Picture source = marked(300, 200, 0, 0);  // old top-left pixel
    struct {
        int orientation, w, h;
        Point mark;
    } cases[] = {
        {-90, 200, 300, {0, 299}},    // becomes the bottom-left pixel
        {90, 200, 300, {199, 0}},     // becomes the top-right pixel
        {180, 300, 200, {299, 199}},  // becomes the bottom-right pixel
        {0, 300, 200, {0, 0}},       {45, 300, 200, {0, 0}},
    };
    for (auto& c : cases) {
        Picture turned = turnPicture(source, c.orientation);
        EXPECT_EQ(turned.width, c.w) << c.orientation;
        EXPECT_EQ(turned.height, c.h) << c.orientation;
        EXPECT_EQ(markOf(turned), c.mark) << c.orientation;
    }
    // An interior pixel, against the table's formulas.
    const Picture inner = marked(7, 4, 5, 1);
    EXPECT_EQ(markOf(turnPicture(inner, -90)), (Point{1, 7 - 1 - 5}));
    EXPECT_EQ(markOf(turnPicture(inner, 90)), (Point{4 - 1 - 1, 5}));
    EXPECT_EQ(markOf(turnPicture(inner, 180)), (Point{7 - 1 - 5, 4 - 1 - 1}));
    Picture empty;
    EXPECT_EQ(turnPicture(empty, 90).pixels.size(), 0u);
}

TEST(PicturePlacement, CornersAndFit)
{
    const Rect area{0, 20, 800, 580};
    const int w = 100, h = 50;
    struct {
        int orientation;
        Point shot, flyer;
    } corners[] = {
        {0, {690, 520}, {690, 30}},
        {-90, {690, 30}, {10, 30}},
        {90, {10, 520}, {690, 520}},
        {180, {10, 30}, {10, 520}},
    };
    for (auto& c : corners) {
        EXPECT_EQ(cornerPicturePosition(PictureKind::Screenshot, c.orientation, area, w, h), c.shot)
            << c.orientation;
        EXPECT_EQ(cornerPicturePosition(PictureKind::Flyer, c.orientation, area, w, h), c.flyer)
            << c.orientation;
    }
    const Rect box{10, 20, 10 + 184, 20 + 244};
    EXPECT_EQ(fittedPictureRect(box, 100, 50), (Rect{10, 20 + 76, 10 + 184, 20 + 76 + 92}));
    EXPECT_EQ(fittedPictureRect(box, 50, 200), (Rect{10 + 61, 20, 10 + 61 + 61, 20 + 244}));
    EXPECT_EQ(fittedPictureRect(box, 1, 1), (Rect{10, 20 + 30, 10 + 184, 20 + 30 + 184}));
    EXPECT_TRUE(fittedPictureRect(box, 0, 10).empty());
    EXPECT_TRUE(fittedPictureRect(Rect{5, 5, 5, 100}, 10, 10).empty());
}

TEST(PictureCache, DecodesOnceAndStaysBounded)
{
    TempFolder folder("cache");
    const std::string a = folder.path + "/a.png", b = folder.path + "/b.png";
    const std::string broken = folder.path + "/broken.png";
    savePictureAs(quadrantPicture(100, 100), a, 24);  // 40,000 bytes decoded
    savePictureAs(quadrantPicture(100, 100), b, 24);
    std::ofstream(broken) << "garbage";

    PictureCache cache(100000);
    auto first = cache.get(a, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(cache.get(a, 0), first);  // same decoded picture, no second decode
    EXPECT_EQ(cache.decodeCount(), 1);
    auto turned = cache.get(a, 90);  // the orientation is part of the key
    EXPECT_EQ(cache.decodeCount(), 2);
    EXPECT_EQ(turned->pixels[0], turnPicture(*first, 90).pixels[0]);
    EXPECT_FALSE(cache.get(broken, 0));
    EXPECT_FALSE(cache.get(broken, 0));
    EXPECT_EQ(cache.decodeCount(), 3);  // a failure is remembered
    cache.get(b, 0);                    // over the limit: the oldest goes
    EXPECT_LE(cache.bytesHeld(), 100000u);
    cache.get(a, 0);
    EXPECT_EQ(cache.decodeCount(), 5);
    EXPECT_EQ(first->width, 100);  // a picture handed out stays valid after eviction

    PictureCache tiny(1);  // keeps at least the latest
    EXPECT_TRUE(tiny.get(a, 0));
    EXPECT_TRUE(tiny.get(a, 0));
    EXPECT_EQ(tiny.decodeCount(), 1);
}

TEST(DrawCornerPicture, UnscaledAndTurnedInItsCorner)
{
    SmallCatalogue cat;
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    const GameRecord& pacman = *cat.table.games[0];  // 120 x 90 screenshot, 60 x 100 flyer
    const Rect area{0, 0, 400, 300};
    PictureCache cache;
    for (int orientation : {0, 180}) {
        settings.CurrentOrientation = orientation;
        Canvas canvas(400, 300);
        canvas.fillRect(area, 0xFFFFFF);
        drawCornerPicture(canvas, cache, settings, pacman, area, PictureKind::Screenshot);
        if (orientation == 0) {
            // 10 pixels above the bottom and left of the right edge; top-left quadrant red.
            EXPECT_EQ(canvas.pixel(400 - 10 - 120, 300 - 10 - 90), 0xFFD00000u);
            EXPECT_EQ(canvas.pixel(400 - 11, 300 - 11), 0xFFFFFFFFu);  // its white quadrant
            EXPECT_EQ(canvas.pixel(400 - 9, 300 - 9), 0xFFFFFFFFu);    // the background
            EXPECT_EQ(canvas.pixel(400 - 11, 300 - 10 - 90), 0xFF00A000u);
        } else {
            // 10 pixels from the top-left corner, turned half way: red at the bottom right.
            EXPECT_EQ(canvas.pixel(10, 10), 0xFFFFFFFFu);
            EXPECT_EQ(canvas.pixel(10 + 119, 10 + 89), 0xFFD00000u);
            EXPECT_EQ(canvas.pixel(9, 9), 0xFFFFFFFFu);
            EXPECT_EQ(canvas.pixel(10, 10 + 89), 0xFF00A000u);
        }
    }
}

TEST(ResizePicture, AveragesWhenShrinkingAndKeepsColoursWhenEnlarging)
{
    const Picture source = quadrantPicture(8, 6);
    const Picture half = resizePicture(source, 4, 3);
    ASSERT_EQ(half.width, 4);
    ASSERT_EQ(half.height, 3);
    EXPECT_EQ(half.pixels[0], 0xFFD00000u);          // red quadrant stays red
    EXPECT_EQ(half.pixels[3], 0xFF00A000u);          // green
    EXPECT_EQ(half.pixels[2 * 4 + 3], 0xFFFFFFFFu);  // white
    Picture checker;
    checker.width = 2;
    checker.height = 2;
    checker.pixels = {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF};
    EXPECT_EQ(resizePicture(checker, 1, 1).pixels, std::vector<uint32_t>{0xFF808080u});
    const Picture big = resizePicture(source, 80, 60);  // enlarged
    EXPECT_EQ(big.pixels[0], 0xFFD00000u);
    EXPECT_EQ(big.pixels[80 * 60 - 1], 0xFFFFFFFFu);
    const Picture mixed = resizePicture(source, 2, 30);  // narrower and taller at once
    EXPECT_EQ(mixed.pixels[0], 0xFFD00000u);
    EXPECT_EQ(mixed.pixels[2 * 30 - 1], 0xFFFFFFFFu);
    EXPECT_TRUE(resizePicture(source, 0, 5).pixels.empty());
    EXPECT_TRUE(resizePicture(source, -3, 5).pixels.empty());
    EXPECT_TRUE(resizePicture(Picture{}, 5, 5).pixels.empty());
    EXPECT_EQ(resizePicture(quadrantPicture(1, 1), 300, 1).pixels.size(), 300u);
}

TEST(PictureCache, AReplacedFileIsReadAgain)
{
    TempFolder folder("replace");
    const std::string path = folder.path + "/game.png";
    ASSERT_TRUE(savePictureAs(quadrantPicture(10, 10), path, 24));
    PictureCache cache;
    EXPECT_EQ(cache.get(path, 0)->width, 10);
    EXPECT_EQ(cache.getResized(path, 0, 5, 5)->width, 5);
    EXPECT_EQ(cache.getResized(path, 0, 5, 5)->pixels[4 * 5 + 4], 0xFFFFFFFFu);
    // A different picture on disk, with a black bottom-right quadrant.
    ASSERT_TRUE(savePictureAs(quadrantPicture(30, 10, 0xFF000000), path, 24));
    EXPECT_EQ(cache.get(path, 0)->width, 30);
    EXPECT_EQ(cache.getResized(path, 0, 5, 5)->pixels[4 * 5 + 4], 0xFF000000u);
}
