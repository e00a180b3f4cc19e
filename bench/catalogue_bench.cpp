// Speed and memory of the catalogue's slow paths: importing the emulator's full list, and
// reading and writing the game cache that stands in for it on later starts.
//
// The list is /tmp/full.xml when present (the real emulator's "-listxml" output), otherwise a
// synthetic list of 50,000 machines generated at start-up in the temporary folder. The peak
// resident set size of the process is reported as the counter "peak_rss_mb"; run one benchmark
// alone (--benchmark_filter=ImportListXml) to read it for the import only.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "catalogue/game_cache.h"
#include "catalogue/listxml_import.h"
#include "catalogue/rom_filter.h"
#include "platform/files.h"

namespace {

constexpr int kSyntheticMachines = 50000;

double peakRssMb()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A list shaped like the emulator's: each machine with the elements the import reads and a
// bulk of others (ROMs, chips, ports) that it skips.
std::string writeSyntheticList()
{
    const std::string path = temporaryFolder() + "/catalogue_bench_list.xml";
    if (fileExists(path)) return path;
    std::ofstream out(path);
    out << "<?xml version=\"1.0\"?>\n<mame build=\"synthetic\">\n";
    for (int i = 0; i < kSyntheticMachines; ++i) {
        const std::string name = "game" + std::to_string(i);
        out << "\t<machine name=\"" << name << "\" sourcefile=\"src/" << (i % 900) << ".cpp\"";
        if (i % 4 == 1) out << " cloneof=\"game" << i - 1 << "\" romof=\"game" << i - 1 << "\"";
        if (i % 50 == 0) out << " runnable=\"no\"";
        out << ">\n\t\t<description>Synthetic Game " << (i * 7919) % kSyntheticMachines << " (set "
            << i % 3 << ")</description>\n\t\t<year>19" << 70 + i % 30
            << "</year>\n\t\t<manufacturer>Maker &amp; Co " << i % 40 << "</manufacturer>\n";
        for (int r = 0; r < 12; ++r) {
            out << "\t\t<rom name=\"" << name << "." << r << "\" size=\"4096\" crc=\"0123abcd\" "
                << "sha1=\"0123456789abcdef0123456789abcdef01234567\" region=\"maincpu\" "
                << "offset=\"" << r * 4096 << "\"/>\n";
        }
        out << "\t\t<chip type=\"cpu\" tag=\"maincpu\" name=\"Zilog Z80\" clock=\"3072000\"/>\n"
            << "\t\t<display tag=\"screen\" type=\"" << (i % 10 == 0 ? "vector" : "raster")
            << "\" rotate=\"" << (i % 3 == 0 ? 90 : 0)
            << "\" width=\"288\" height=\"224\" refresh=\"60.606061\"/>\n"
            << "\t\t<input players=\"2\" coins=\"2\">\n"
            << "\t\t\t<control type=\"joy\" player=\"1\" buttons=\"" << i % 7 << "\" ways=\""
            << (i % 2 ? 8 : 4) << "\"/>\n"
            << "\t\t\t<control type=\"joy\" player=\"2\" buttons=\"" << i % 7 << "\" ways=\""
            << (i % 2 ? 8 : 4) << "\"/>\n\t\t</input>\n";
        for (int p = 0; p < 6; ++p) {
            out << "\t\t<port tag=\":IN" << p << "\">\n\t\t\t<analog mask=\"" << (1 << p)
                << "\"/>\n\t\t</port>\n";
        }
        out << "\t\t<driver status=\"good\" emulation=\"good\" savestate=\"supported\"/>\n"
            << "\t</machine>\n";
    }
    out << "</mame>\n";
    return path;
}

const std::string& listPath()
{
    // CATALOGUE_BENCH_SYNTHETIC=1 measures the synthetic list even when the real one exists.
    static const std::string path =
        fileExists("/tmp/full.xml") && std::getenv("CATALOGUE_BENCH_SYNTHETIC") == nullptr
            ? std::string("/tmp/full.xml")
            : writeSyntheticList();
    return path;
}

void BM_ImportListXml(benchmark::State& state)
{
    const std::string& list = listPath();
    ListImportCounts counts;
    for (auto _ : state) {
        auto games = readListXml(list, &counts);
        if (!games) state.SkipWithError("the list could not be read");
        benchmark::DoNotOptimize(games);
    }
    state.counters["games_kept"] = counts.kept;
    state.counters["list_mb"] =
        static_cast<double>(std::filesystem::file_size(list)) / (1024.0 * 1024.0);
    state.counters["peak_rss_mb"] = peakRssMb();
    state.SetLabel(list);
}
BENCHMARK(BM_ImportListXml)->Unit(benchmark::kMillisecond)->Iterations(2);

// A catalogue of the list's size, as the cache benchmarks' input.
GameTable& importedTable()
{
    static GameTable table = [] {
        GameTable t;
        auto games = readListXml(listPath());
        if (games) t.games = std::move(*games);
        indexCatalogue(t);
        return t;
    }();
    return table;
}

std::string cachePath() { return temporaryFolder() + "/catalogue_bench_cache.xml"; }

void BM_WriteGameCache(benchmark::State& state)
{
    const GameTable& table = importedTable();
    for (auto _ : state) {
        if (!writeGameCache(table, cachePath())) state.SkipWithError("cache not written");
    }
    state.counters["games"] = table.gameCount();
    state.counters["cache_kb"] =
        static_cast<double>(std::filesystem::file_size(cachePath())) / 1024.0;
}
BENCHMARK(BM_WriteGameCache)->Unit(benchmark::kMillisecond);

void BM_ReadGameCache(benchmark::State& state)
{
    writeGameCache(importedTable(), cachePath());
    GameTable table;
    for (auto _ : state) {
        if (readGameCache(cachePath(), table) != 1) state.SkipWithError("cache not read");
    }
    state.counters["games"] = table.gameCount();
    state.counters["peak_rss_mb"] = peakRssMb();
}
BENCHMARK(BM_ReadGameCache)->Unit(benchmark::kMillisecond);

void BM_SortAndFilter(benchmark::State& state)
{
    GameTable& table = importedTable();
    LauncherSettings settings;
    settings.DisplayMissingRoms = 1;
    for (auto _ : state) {
        sortCatalogue(table);
        filterGames(table, settings);
        benchmark::DoNotOptimize(table.filtered.data());
    }
    state.counters["shown"] = table.filteredCount();
}
BENCHMARK(BM_SortAndFilter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
