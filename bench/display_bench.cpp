// Frame composition costs of the browse screen at 1920 x 1080 with 640 x 480 pictures:
// the list view with a warm and a cold picture cache, and an image browser page rebuild.
#include <filesystem>
#include <random>

#include <benchmark/benchmark.h>

#include "display/display_fixture.h"
#include "display/main_window.h"
#include "platform/canvas.h"
#include "platform/font.h"

namespace {

// A 640 x 480 picture. "Busy" pictures carry noise on every seventh pixel, a worst case for the
// PNG decompressor; the others are flat tiles and edges, as arcade screenshots mostly are.
Picture screenshotLike(int seed, bool busy)
{
    Picture p;
    p.width = 640;
    p.height = 480;
    p.pixels.resize(640 * 480);
    std::mt19937 random(seed);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            uint32_t r = static_cast<uint32_t>((x / 16 * 37 + seed * 11) & 0xFF);
            uint32_t g = static_cast<uint32_t>((y / 12 * 53) & 0xFF);
            uint32_t b = ((x ^ y) & 0x20) ? 0xC0 : 0x20;
            if (busy && (x + y) % 7 == 0) b = random() & 0xFF;
            p.pixels[static_cast<std::size_t>(y) * 640 + x] = 0xFF000000 | r << 16 | g << 8 | b;
        }
    return p;
}

struct BenchCatalogue {
    TempFolder folder;
    std::string snaps = folder.path("snap");
    std::string flyers = folder.path("flyers");
    GameTable table;

    BenchCatalogue(int games, int pictures, bool busy)
    {
        std::filesystem::create_directories(snaps);
        std::filesystem::create_directories(flyers);
        for (int i = 0; i < games; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "game%04d", i);
            table.games.push_back(makeGame(name, std::string("Benchmark Game Number ") + name));
            table.filtered.push_back(table.games.back().get());
            if (i < pictures) {
                savePictureAs(screenshotLike(i, busy), snaps + "/" + name + ".png", 24);
                savePictureAs(screenshotLike(i + 1000, busy), flyers + "/" + name + ".png", 24);
            }
        }
    }
};

BenchCatalogue& catalogue(bool busy = true)
{
    static BenchCatalogue busyPictures(2000, 64, true);
    static BenchCatalogue flatPictures(2000, 64, false);
    return busy ? busyPictures : flatPictures;
}

MusicStatus playing()
{
    MusicStatus s;
    s.active = true;
    s.playing = true;
    s.title = "Benchmark Song";
    s.artist = "Nobody";
    s.positionMs = 12000;
    s.lengthMs = 200000;
    return s;
}

void listView(benchmark::State& state, bool cold)
{
    BenchCatalogue& cat = catalogue();
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    BrowsePosition position;
    position.selectedIndex = 3;
    BrowseDisplay display(settings, cat.table, position);
    display.setMusicStatusQuery(playing);
    Canvas frame(1920, 1080);
    display.composeFrame(frame);
    for (auto _ : state) {
        if (cold) display.pictures().clear();
        display.composeFrame(frame);
        benchmark::DoNotOptimize(frame.data());
    }
}

// Text alone: a screenful of list lines drawn (upright and a quarter turned) and measured, as
// the list view and the cutting of captions to fit do; the same page again (a move of the
// selection) or a page of texts never drawn before.
void textDrawAndMeasure(benchmark::State& state, bool newTexts)
{
    auto upright = Font::create("Liberation Sans", 18, 0, false);
    auto turned = Font::create("Liberation Sans", 18, 90, false);
    Canvas frame(1920, 1080);
    const std::string base = "Galaga '88 (World, Rev. B) - Namco 1987 #";
    long page = 0;
    for (auto _ : state) {
        int width = 0;
        ++page;
        for (int i = 0; i < 36; ++i) {
            const std::string line = base + std::to_string(newTexts ? page * 36 + i : i);
            frame.drawText(6, i * 28, line, *upright, 0x402000);
            frame.drawText(1900 - i * 28, 6, line, *turned, 0x402000);
            width += upright->textWidth(line.substr(0, 10 + i % 20));
        }
        benchmark::DoNotOptimize(width);
    }
}
void BM_TextSamePage(benchmark::State& state) { textDrawAndMeasure(state, false); }
void BM_TextNewPage(benchmark::State& state) { textDrawAndMeasure(state, true); }

void BM_ListViewComposeWarm(benchmark::State& state) { listView(state, false); }
void BM_ListViewComposeCold(benchmark::State& state) { listView(state, true); }

// One page rebuild with every cell holding a 640 x 480 picture (default 184 x 244 boxes: a page of
// 9 x 3 = 27 at 1920 x 1080), the picture cache cold as after a page move to unseen games.
void imageBrowser(benchmark::State& state, bool cold, bool busy = true)
{
    BenchCatalogue& cat = catalogue(busy);
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    settings.MenuType = kMenuTypeImageBrowser;
    BrowsePosition position;
    BrowseDisplay display(settings, cat.table, position);
    display.setMusicStatusQuery(playing);
    Canvas frame(1920, 1080);
    display.composeFrame(frame);
    const int page = display.countPreviewRows(1920, 1080, display.gameBarThickness()) *
                     display.countPreviewColumns(1920, 1080);
    for (auto _ : state) {
        if (cold) display.pictures().clear();
        position.pageDirty = true;
        display.composeFrame(frame);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["cells"] = page;
}

void BM_ImageBrowserPageRebuildCold(benchmark::State& state) { imageBrowser(state, true); }
void BM_ImageBrowserPageRebuildWarm(benchmark::State& state) { imageBrowser(state, false); }
void BM_ImageBrowserPageRebuildColdFlatPictures(benchmark::State& state)
{
    imageBrowser(state, true, false);
}

// Moving the selection within a page: one copy of the cached page and one rounded frame.
void BM_ImageBrowserSamePage(benchmark::State& state)
{
    BenchCatalogue& cat = catalogue();
    LauncherSettings settings = displaySettings(cat.snaps, cat.flyers);
    settings.MenuType = kMenuTypeImageBrowser;
    BrowsePosition position;
    BrowseDisplay display(settings, cat.table, position);
    Canvas frame(1920, 1080);
    display.composeFrame(frame);
    int k = 0;
    for (auto _ : state) {
        position.selectedIndex = (k++) % 9;
        display.composeFrame(frame);
        benchmark::DoNotOptimize(frame.data());
    }
}

}  // namespace

BENCHMARK(BM_TextSamePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextNewPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListViewComposeWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListViewComposeCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageBrowserPageRebuildCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageBrowserPageRebuildColdFlatPictures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageBrowserPageRebuildWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageBrowserSamePage)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
