// A player paging through the image browser at 1920 x 1080, one page per tick (100 ms), over
// pages of 27 pictures of 640 x 480 never shown before. Reports the slowest and the median page
// rebuild, with the neighbouring pages decoded ahead on worker threads and without, and how many
// pictures the GUI thread still decoded per flip. On a loaded machine the workers get less of
// the 100 ms between flips, so run it on a quiet one (or with a raised priority).
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include <benchmark/benchmark.h>

#include "display/display_fixture.h"
#include "display/image_browser.h"
#include "display/main_window.h"

namespace {

constexpr int kFlips = 20;

// Flat tiles and edges with noise on every seventh pixel, as in the frame benchmark.
Picture screenshotLike(int seed)
{
    Picture p{640, 480, std::vector<uint32_t>(640 * 480)};
    uint32_t noise = static_cast<uint32_t>(seed) * 2654435761u;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            uint32_t r = static_cast<uint32_t>((x / 16 * 37 + seed * 11) & 0xFF);
            uint32_t g = static_cast<uint32_t>((y / 12 * 53) & 0xFF);
            uint32_t b = ((x ^ y) & 0x20) ? 0xC0 : 0x20;
            if ((x + y) % 7 == 0) b = (noise = noise * 1103515245u + 12345u) >> 24;
            p.pixels[static_cast<std::size_t>(y) * 640 + x] = 0xFF000000 | r << 16 | g << 8 | b;
        }
    return p;
}

// Enough games with pictures for every page of both runs to be new to its cache.
struct FlipCatalogue {
    TempFolder folder;
    GameTable table;
    explicit FlipCatalogue(int games)
    {
        for (int i = 0; i < games; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "game%04d", i);
            table.games.push_back(makeGame(name, std::string("Benchmark Game ") + name));
            table.filtered.push_back(table.games.back().get());
            savePictureAs(screenshotLike(i), folder.dir() + "/" + name + ".png", 24);
        }
    }
};

// Runs nothing: the browser without decoding ahead.
struct NoJobs final : PictureJobs {
    void post(std::function<void()>) override {}
};

// state.range(0): milliseconds between flips; the tick (100) is what a player holding page-down
// gets, a longer one shows what the workers do when they get all of it.
void pageFlips(benchmark::State& state, bool ahead)
{
    const auto tickPeriod = std::chrono::milliseconds(state.range(0));
    static FlipCatalogue catalogue(27 * (kFlips + 2));
    LauncherSettings settings = displaySettings(catalogue.folder.dir(), catalogue.folder.dir());
    settings.MenuType = kMenuTypeImageBrowser;
    std::vector<double> flips;
    int decodedOnFlips = 0;
    for (auto _ : state) {
        ImageBrowser browser(ahead ? nullptr : std::make_shared<NoJobs>());
        PictureCache pictures;
        FontCache fonts;
        BrowsePosition position;
        Canvas frame(1920, 1080);
        const Rect view = viewRectangle(0, 1920, 1080, 20, 20);
        browser.draw(frame, fonts, pictures, settings, catalogue.table, position, view, 20);
        const int page =
            imageBrowserGeometry(
                settings, 0,
                fonts.selectFont(settings.Fontface, settings.PreviewFontSize, 0, 0).lineHeight(),
                view, 20)
                .pageSize;
        auto tick = std::chrono::steady_clock::now();
        for (int i = 1; i <= kFlips; ++i) {
            // The launcher idles until the next tick, then the player's page-down arrives.
            tick += tickPeriod;
            std::this_thread::sleep_until(tick);
            position.selectedIndex = i * page;
            const int decodedBefore = pictures.decodeCount();
            const auto start = std::chrono::steady_clock::now();
            browser.draw(frame, fonts, pictures, settings, catalogue.table, position, view, 20);
            benchmark::DoNotOptimize(frame.data());
            flips.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
            decodedOnFlips += pictures.decodeCount() - decodedBefore;
        }
    }
    std::sort(flips.begin(), flips.end());
    state.counters["slowest_ms"] = flips.back();
    state.counters["median_ms"] = flips[flips.size() / 2];
    // Pictures the GUI thread still had to decode when the page moved, per flip.
    state.counters["decoded_per_flip"] = static_cast<double>(decodedOnFlips) / flips.size();
}

void BM_PageFlipsDecodingAhead(benchmark::State& state) { pageFlips(state, true); }
void BM_PageFlipsDecodingOnTheSpot(benchmark::State& state) { pageFlips(state, false); }

}  // namespace

BENCHMARK(BM_PageFlipsDecodingOnTheSpot)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageFlipsDecodingAhead)
    ->Arg(100)
    ->Arg(400)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
