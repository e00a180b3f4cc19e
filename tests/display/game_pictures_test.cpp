// Game pictures: decoding every layout, foreign and broken files, finding, turning, placing,
// resizing, caching, and decoding the next pages ahead. Drawing them in their corners is covered
// by the browse screen's tests.
#include "display/game_pictures.h"

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "display/display_fixture.h"
#include "display/image_browser.h"
#include "support/golden.h"

namespace {
uint32_t at(const Picture& p, int x, int y) { return p.pixels[std::size_t(y) * p.width + x]; }
}  // namespace

// Whatever the bit depth, the file's top-left quadrant is the picture's top-left quadrant.
TEST(LoadPicture, EveryPixelLayoutComesOutUpright)
{
    TempFolder folder;
    const Picture source = quadrantPicture(13, 7);  // odd sizes: padded rows
    // {layout, top-left, top-right, bottom-left, tolerance}; bottom-right is white in each.
    const uint32_t cases[][5] = {
        {64, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0},  // 16 bits a channel
        {32, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0},
        {24, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 0},
        {8, 0xFFD00000, 0xFF00A000, 0xFF0000D0, 8},
        {108, 0xFF2C2C2C, 0xFF727272, 0xFF0F0F0F, 2},   // grey: luminance
        {4, 0xFF222222, 0xFF777777, 0xFF000000, 0x11},  // a 16-level grey palette
        {1, 0xFF000000, 0xFF000000, 0xFF000000, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c[0]);
        const std::string path = folder.dir() + "/p" + std::to_string(c[0]) + ".png";
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
    // Half-transparent red, clear, and a channel whose premultiplying is rounded to the nearest.
    Picture alpha{3, 1, {0x80800000, 0x00000000, 0xFE7F0000}};
    ASSERT_TRUE(savePictureAs(alpha, folder.path("a.png"), 32));
    auto loaded = loadPicture(folder.path("a.png"));
    ASSERT_TRUE(loaded);
    EXPECT_LE(channelDistance(loaded->pixels[0], 0x80800000), 1);  // premultiplied
    EXPECT_EQ(loaded->pixels[1], 0u);
    EXPECT_EQ(loaded->pixels[2], 0xFE7F0000u);
}

// Foreign formats under a picture's name, broken and truncated files, sizes past the limit: each
// is refused with a reason (from the header, before its pixels are allocated, for a huge one)
// and named once on standard error however often it is drawn.
TEST(LoadPicture, ForeignBrokenAndHugeFilesAreRefusedAndNamedOnce)
{
    TempFolder folder;
    const std::string fixtures = QUORVANE_SOURCE_DIR "/tests/fixtures/pictures/";
    const std::string dir = folder.dir() + "/";
    std::vector<std::string> files;
    for (const char* name : {"pbm_named.png", "foreign.xbm", "huge.dds", "broken.xpm",
                             "huge_header.png", "truncated.png", "truncated.jpg"})
        files.push_back(fixtures + name);
    std::ofstream(dir + "text.png") << "this is not a picture";
    std::ofstream(dir + "empty.png");
    ASSERT_TRUE(savePictureAs(quadrantPicture(kMaxPictureSide + 1, 1), dir + "wide.png", 24));
    ASSERT_TRUE(savePictureAs(quadrantPicture(1, kMaxPictureSide + 1), dir + "tall.jpg", 0));
    ASSERT_TRUE(savePictureAs(quadrantPicture(64, 64), dir + "whole.png", 24));
    std::ifstream in(dir + "whole.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (std::size_t keep : {std::size_t(8), std::size_t(40), bytes.size() / 2}) {
        files.push_back(dir + "cut" + std::to_string(keep) + ".png");
        std::ofstream(files.back(), std::ios::binary) << bytes.substr(0, keep);
    }
    for (const char* name : {"text.png", "empty.png", "wide.png", "tall.jpg"})
        files.push_back(dir + name);
    for (const std::string& path : files) {
        std::string why;
        EXPECT_FALSE(loadPicture(path, &why)) << path;
        EXPECT_FALSE(why.empty()) << path;
        if (path.ends_with("huge_header.png")) {
            EXPECT_THAT(why, testing::HasSubstr("larger than"));
        }
    }
    std::filesystem::create_directories(dir + "folder.png");
    for (const char* name : {"missing.png", "folder.png"}) EXPECT_FALSE(loadPicture(dir + name));

    PictureCache cache(0);  // keeps nothing: every draw decodes again
    testing::internal::CaptureStderr();
    for (int draw = 0; draw < 2; ++draw)
        for (const std::string& path : files) EXPECT_FALSE(cache.get(path, 0));
    const std::string said = testing::internal::GetCapturedStderr();
    for (const std::string& path : files) {
        const std::size_t first = said.find(path + ":");
        EXPECT_TRUE(first != std::string::npos && first == said.rfind(path + ":")) << path;
    }

    // A JPEG is read by its content, whatever its name.
    ASSERT_TRUE(savePictureAs(quadrantPicture(64, 48), dir + "shot.jpg", 0));
    std::filesystem::rename(dir + "shot.jpg", dir + "jpeg.png");
    const auto jpeg = loadPicture(dir + "jpeg.png");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->width, 64);
    EXPECT_LE(channelDistance(at(*jpeg, 8, 8), 0xFFD00000), 12);
    EXPECT_LE(channelDistance(at(*jpeg, 56, 40), 0xFFFFFFFF), 12);
    for (auto [width, height] : {std::pair{kMaxPictureSide, 1}, {1, kMaxPictureSide}}) {
        ASSERT_TRUE(savePictureAs(quadrantPicture(width, height), dir + "limit.jpg", 0));
        EXPECT_TRUE(loadPicture(dir + "limit.jpg")) << "the largest side allowed is read";
    }
}

TEST(FindPicture, OwnThenParentThenNothing)
{
    TempFolder folder;
    const std::string dir = folder.dir();
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
    EXPECT_EQ((std::pair{dibRowStride(5, 24), dibRowStride(4, 24)}), (std::pair{16, 12}));
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

TEST(PicturePlacement, CornersFitAndResize)
{
    // 10 pixels in from the area's edges; {orientation, screenshot x, y, flyer x, y}.
    const int corners[][5] = {
        {0, 695, 520, 695, 30}, {90, 15, 520, 695, 520}, {180, 15, 30, 15, 520},
        {-90, 695, 30, 15, 30}};
    for (auto& c : corners) {
        const Rect area{5, 20, 805, 580};
        EXPECT_EQ(cornerPicturePosition(PictureKind::Screenshot, c[0], area, 100, 50),
                  (Point{c[1], c[2]})) << c[0];
        EXPECT_EQ(cornerPicturePosition(PictureKind::Flyer, c[0], area, 100, 50),
                  (Point{c[3], c[4]})) << c[0];
    }
    const Rect box{10, 20, 194, 264};
    EXPECT_EQ(fittedPictureRect(box, 100, 50), (Rect{10, 96, 194, 188}));
    EXPECT_EQ(fittedPictureRect(box, 50, 200), (Rect{71, 20, 132, 264}));
    EXPECT_TRUE(fittedPictureRect(box, 0, 10).empty());
    // A cell's picture stays inside the view: as fitted when it is already, else fitted into the
    // part of the box the view shows.
    EXPECT_EQ(cellPictureRect(box, Rect{0, 0, 800, 600}, 100, 50), (Rect{10, 96, 194, 188}));
    EXPECT_EQ(cellPictureRect(box, Rect{0, 120, 800, 600}, 100, 50), (Rect{10, 146, 194, 238}));
    EXPECT_EQ(cellPictureRect(box, Rect{0, 200, 800, 600}, 100, 50), (Rect{38, 200, 166, 264}));
    EXPECT_TRUE(cellPictureRect(box, Rect{300, 0, 800, 600}, 100, 50).empty());

    // {w, h, space w, space h, drawn w, drawn h}
    const int sizes[][6] = {
        {300, 200, 300, 200, 300, 200},    // fits: as it is
        {1200, 1700, 1004, 528, 372, 528},  // a flyer scan on a list
        {1, 8000, 300, 200, 1, 200},       // never thinner than a pixel
        {8000, 1, 300, 200, 300, 1},
        {8000, 8000, 300, 200, 200, 200},
        {1, 1, 300, 200, 1, 1},
        {50, 50, 0, 10, 0, 0},             // no space: nothing
    };
    for (auto& c : sizes)
        EXPECT_EQ(shrinkToFit(c[0], c[1], c[2], c[3]), (PictureSize{c[4], c[5]}))
            << c[0] << "x" << c[1];

    const Picture source = quadrantPicture(8, 6);
    const Picture half = resizePicture(source, 4, 3);
    EXPECT_EQ(at(half, 0, 0), 0xFFD00000u);  // each quadrant keeps its colour
    EXPECT_EQ(at(half, 3, 0), 0xFF00A000u);
    EXPECT_EQ(at(half, 3, 2), 0xFFFFFFFFu);
    // Shrinking averages to the nearest value, growing interpolates, down and across alike.
    const uint32_t B = 0xFF000000u, W = 0xFFFFFFFFu;
    const std::tuple<Picture, int, int, std::vector<uint32_t>> exact[] = {
        {Picture{1, 2, {W, B}}, 1, 1, {0xFF808080u}},
        {Picture{2, 1, {W, B}}, 1, 1, {0xFF808080u}},
        {Picture{1, 3, {B, B, W}}, 1, 1, {0xFF555555u}},
        {Picture{3, 1, {B, B, W}}, 1, 1, {0xFF555555u}},
        {Picture{1, 2, {B, W}}, 1, 4, {B, 0xFF404040u, 0xFFBFBFBFu, W}},
        {Picture{2, 1, {B, W}}, 4, 1, {B, 0xFF404040u, 0xFFBFBFBFu, W}},
    };
    for (const auto& [picture, w, h, pixels] : exact)
        EXPECT_EQ(resizePicture(picture, w, h).pixels, pixels) << w << "x" << h;
    const Picture mixed = resizePicture(source, 2, 30);  // narrower and taller at once
    EXPECT_EQ(mixed.pixels.front(), 0xFFD00000u);
    EXPECT_EQ(mixed.pixels.back(), 0xFFFFFFFFu);
    EXPECT_TRUE(resizePicture(source, -3, 5).pixels.empty());
}

TEST(PictureCache, DecodesOnceStaysBoundedAndSeesReplacedFiles)
{
    TempFolder folder;
    const std::string a = folder.path("a.png"), b = folder.path("b.png");
    savePictureAs(quadrantPicture(100, 100), a, 24);  // 40,000 bytes decoded
    savePictureAs(quadrantPicture(100, 100), b, 24);
    std::ofstream(folder.path("broken.png")) << "garbage";
    PictureCache cache(100000);
    auto first = cache.get(a, 0);
    EXPECT_EQ(cache.get(a, 0), first);
    auto turned = cache.get(a, 90);  // the orientation is part of the key
    EXPECT_EQ(turned->pixels[0], turnPicture(*first, 90).pixels[0]);
    EXPECT_FALSE(cache.get(folder.path("broken.png"), 0));
    EXPECT_FALSE(cache.get(folder.path("broken.png"), 0));  // a failure is remembered
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
    EXPECT_FALSE(cache.getResized(a, 0, 0, 5) || cache.getResized(a, 0, 5, 0));
}

namespace {

// Runs the posted jobs only when told, on the test's thread.
struct ManualJobs final : PictureJobs {
    void post(std::function<void()> job) override { jobs.push_back(std::move(job)); }
    void runAll()
    {
        for (auto& job : std::exchange(jobs, {})) job();
    }
    std::vector<std::function<void()>> jobs;
};

struct BrowserBench {
    TempFolder folder;
    GameTable table;
    LauncherSettings settings = displaySettings(folder.dir(), folder.dir());
    FontCache fonts;
    const Rect view{0, 0, 660, 660};  // 3 columns, 2 rows, turned or not: pages of 6

    BrowserBench()
    {
        settings.MenuType = kMenuTypeImageBrowser;
        for (int i = 0; i < 20; ++i) {
            const std::string name = "g" + std::to_string(i);
            table.games.push_back(makeGame(name, "Game " + name));
            table.filtered.push_back(table.games.back().get());
            if (i != 7)
                savePictureAs(quadrantPicture(40 + i, 30, 0xFF000000u + i * 9000),
                              folder.dir() + "/" + name + ".png", 24);
        }
        std::ofstream(folder.path("g9.png")) << "not a picture";
    }
    // Draws the page holding `selected` and returns the frame.
    Canvas show(ImageBrowser& browser, PictureCache& cache, BrowsePosition& position, int selected)
    {
        position.selectedIndex = selected;
        Canvas frame(660, 660);
        browser.draw(frame, fonts, cache, settings, table, position, view, 0);
        return frame;
    }
};

}  // namespace

// After a page is drawn the neighbouring pages are decoded ahead; a flip then decodes nothing
// and shows exactly what decoding on the spot shows, in both directions and every orientation.
TEST(PicturePrefetch, NextPagesAreReadyAndLookTheSame)
{
    BrowserBench bench;
    for (int orientation : {0, 180, 90, -90}) {
        SCOPED_TRACE(orientation);
        bench.settings.CurrentOrientation = orientation;
        auto jobs = std::make_shared<ManualJobs>();
        ImageBrowser browser(jobs), plain(std::make_shared<ManualJobs>());
        PictureCache cache, plainCache;
        BrowsePosition position, plainPosition;
        bench.show(browser, cache, position, 0);
        EXPECT_FALSE(jobs->jobs.empty());  // the next page is asked for
        testing::internal::CaptureStderr();
        jobs->runAll();
        for (int selected : {6, 12, 6, 0}) {  // forward twice, then back
            const int decoded = cache.decodeCount();
            const Canvas flipped = bench.show(browser, cache, position, selected);
            EXPECT_EQ(cache.decodeCount(), decoded) << selected;  // nothing decoded on the flip
            EXPECT_TRUE(samePixels(flipped, bench.show(plain, plainCache, plainPosition, selected)))
                << selected;
            jobs->runAll();
        }
        // The unreadable picture was named once, by the worker's result or the page itself.
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find("g9.png"), said.rfind("g9.png"));
    }
}

// Prefetching never holds more than its budget, a browser whose jobs never ran (or whose real
// workers are busy) shuts down cleanly, and boxes of a billion pixels on a one-pixel pitch cost
// only what the view shows: the walk ends with the list.
TEST(PicturePrefetch, StaysWithinItsBudgetAndStopsCleanly)
{
    BrowserBench bench;
    const std::size_t cell = 184 * 244 * 4;
    PictureCache small(5 * cell);  // half of it: two cells
    PicturePrefetcher prefetcher(std::make_shared<ManualJobs>());
    std::vector<CellRequest> cells;
    for (int i = 0; i < 6; ++i)
        cells.push_back(CellRequest{bench.folder.dir() + "/g" + std::to_string(i) + ".png", 0,
                                    Rect{0, 0, 184, 244}, Rect{0, 0, 2000, 2000}});
    prefetcher.want(cells, small, small.maxBytes() / 2);
    EXPECT_EQ(prefetcher.pendingCount(), 2u);
    prefetcher.settle(small);  // drops what did not start
    EXPECT_EQ(prefetcher.pendingCount(), 0u);

    // Real worker threads: whatever they finished before a flip, the page is the same.
    ImageBrowser threaded, plain(std::make_shared<ManualJobs>());
    PictureCache cache, plainCache;
    BrowsePosition position, plainPosition;
    for (int selected : {0, 6, 12, 18, 12})
        EXPECT_TRUE(samePixels(bench.show(threaded, cache, position, selected),
                               bench.show(plain, plainCache, plainPosition, selected)));

    bench.settings.PreviewModeWidth = bench.settings.PreviewModeHeight = 1'000'000'000;
    bench.settings.PreviewModeSpacer = -999'999'999;
    ImageBrowser browser(std::make_shared<ManualJobs>());
    PictureCache absurd;
    BrowsePosition fresh;
    bench.show(browser, absurd, fresh, 3);
    EXPECT_LE(absurd.bytesHeld(), std::size_t{20} * 660 * 660 * 4);
}
