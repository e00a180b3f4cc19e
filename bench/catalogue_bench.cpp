// Speed and memory of the catalogue on the installed emulator's full list.
//
// The list is the saved output of "/usr/games/mame -listxml" at $QUORVANE_BENCH_LIST, or
// <temporary folder>/quorvane_bench_listxml.xml, made with the emulator when it is missing.
// Goals: import of the saved list under 2 s and 64 MB; the whole first-start path (version
// probe, list export read as it is written, cache written) within 0.5 s of the list export
// alone; the cache path (read, index, ROM
// scan, sort, filter) under 100 ms and 40 MB; the ROM scan against 20,000 zip files under 20 ms.
//
// Memory is the peak resident set of a child process forked while the benchmark process is
// still small, so it counts what the measured work needs and nothing else; "cpu_s" is that
// child's user plus system time, which a loaded machine does not inflate as it does wall time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "catalogue/build_catalogue.h"
#include "catalogue/emulator_runner.h"
#include "catalogue/game_cache.h"
#include "catalogue/listxml_import.h"
#include "catalogue/rom_filter.h"
#include "platform/files.h"

namespace {

constexpr const char* kMame = "/usr/games/mame";
constexpr int kRomFiles = 20000;

const std::string& listPath()
{
    static const std::string path = [] {
        const char* given = std::getenv("QUORVANE_BENCH_LIST");
        std::string p = given != nullptr && *given != '\0'
                            ? std::string(given)
                            : temporaryFolder() + "/quorvane_bench_listxml.xml";
        if (!fileExists(p)) {
            RecordingMessageBoxes boxes;
            runProcessToFile(std::string(kMame) + " -listxml", temporaryFolder(), p, nullptr,
                             boxes);
        }
        return p;
    }();
    return path;
}

std::string cachePath() { return temporaryFolder() + "/quorvane_bench_cache.xml"; }

std::string readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// 20,000 empty zip files: most named after catalogue games (some with the extension in
// capitals), the rest matching nothing.
const std::string& romFolder()
{
    static const std::string folder = [] {
        const std::string f = temporaryFolder() + "/quorvane_bench_roms";
        std::filesystem::create_directories(f);
        GameTable table;
        readGameCache(cachePath(), table);
        int made = 0;
        for (const auto& game : table.games) {
            if (made >= kRomFiles * 9 / 10) break;
            const char* extension = made % 7 == 0 ? ".ZIP" : ".zip";
            std::ofstream(f + "/" + game->romname + extension);
            ++made;
        }
        for (; made < kRomFiles; ++made)
            std::ofstream(f + "/unknown" + std::to_string(made) + ".zip");
        return f;
    }();
    return folder;
}

struct ChildUsage {
    double peakMb = 0;
    double cpuSeconds = 0;
    double wallSeconds = 0;
};

// Runs `work` in a forked child and returns what it used.
ChildUsage measureInChild(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        work();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    ChildUsage result;
    result.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return result;
}

void report(benchmark::State& state, const char* prefix, const ChildUsage& usage)
{
    const std::string p(prefix);
    state.counters[p + "wall_s"] = usage.wallSeconds;
    state.counters[p + "cpu_s"] = usage.cpuSeconds;
    state.counters[p + "peak_mb"] = usage.peakMb;
}

// The import the pipeline runs on the saved list: parse, cache written, index built.
void BM_ImportSavedList(benchmark::State& state)
{
    const std::string& list = listPath();
    for (auto _ : state) {
        const ChildUsage usage = measureInChild([&] {
            GameTable table;
            std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
            const int ok = importListXml(list, table, cachePath());
            if (quiet == nullptr || ok != 1 || table.gameCount() == 0) _exit(1);
        });
        state.SetIterationTime(usage.wallSeconds);
        report(state, "", usage);
    }
    state.counters["list_mb"] =
        static_cast<double>(std::filesystem::file_size(list)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ImportSavedList)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double readNumber(const std::string& path)
{
    std::ifstream in(path);
    double value = -1;
    in >> value;
    return value;
}

void writeNumber(const std::string& path, double value) { std::ofstream(path) << value; }

// The list export alone, the export followed by the import of its file, and the first-start
// path of the pipeline (version probe, the import read while the emulator writes the list, cache
// written), one after the other in each iteration. Wall times swing with the machine's load;
// "tail_s" does much less: how long after the emulator's exit the import and the cache were done
// (the emulator runs through a wrapper that notes the time of its end). The pipeline's cache
// must equal, byte for byte, the one imported from the finished file ("cache_identical" 1).
void BM_SlowPathBesideListExport(benchmark::State& state)
{
    const std::string folder = temporaryFolder();
    const std::string sequentialCache = folder + "/quorvane_bench_cache_sequential.xml";
    const std::string pipelineCache = folder + "/quorvane_bench_cache_pipeline.xml";
    const std::string emptyRoms = folder + "/quorvane_bench_no_roms";
    const std::string exitMark = folder + "/quorvane_bench_emulator_end";
    const std::string tailFile = folder + "/quorvane_bench_tail";
    const std::string wrapper = folder + "/quorvane_bench_mame.sh";
    std::filesystem::create_directories(emptyRoms);
    std::ofstream(wrapper) << "#!/bin/sh\n"
                           << kMame << " \"$@\"\nrc=$?\ndate +%s.%N > " << exitMark
                           << "\nexit $rc\n";
    std::filesystem::permissions(wrapper, std::filesystem::perms::owner_all);
    for (auto _ : state) {
        const ChildUsage exportOnly = measureInChild([&] {
            RecordingMessageBoxes boxes;
            const auto file = createTemporaryFile(folder, "mam");
            if (!file) _exit(1);
            runProcessToFile(std::string(kMame) + " -listxml", folder, *file, nullptr, boxes);
            removeFile(*file);
        });
        const ChildUsage sequential = measureInChild([&] {
            RecordingMessageBoxes boxes;
            const auto file = createTemporaryFile(folder, "mam");
            if (!file) _exit(1);
            runProcessToFile(std::string(kMame) + " -listxml", folder, *file, nullptr, boxes);
            const double exported = secondsNow();
            GameTable table;
            std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
            const int ok = importListXml(*file, table, sequentialCache);
            writeNumber(tailFile, secondsNow() - exported);
            removeFile(*file);
            if (quiet == nullptr || ok != 1) _exit(1);
        });
        const double sequentialTail = readNumber(tailFile);
        const ChildUsage pipeline = measureInChild([&] {
            LauncherSettings settings;
            settings.MameExe = wrapper;
            settings.GameCache = pipelineCache;
            settings.LastMameVersion = "not the installed emulator";
            settings.RomsDir = emptyRoms;
            settings.UseMameInfoDat = 0;
            GameTable table;
            BrowsePosition position;
            RecordingMessageBoxes boxes;
            CatalogueBuildHooks hooks;
            hooks.showMessage = [&](const std::string& text) {
                // Shown once the import and the cache are done.
                if (text.rfind("Filtering", 0) == 0)
                    writeNumber(tailFile, secondsNow() - readNumber(exitMark));
            };
            std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
            const int ok = buildCatalogue(settings, table, position, boxes, hooks);
            if (quiet == nullptr || ok != 1) _exit(1);
        });
        state.SetIterationTime(pipeline.wallSeconds);
        state.counters["export_wall_s"] = exportOnly.wallSeconds;
        state.counters["sequential_wall_s"] = sequential.wallSeconds;
        state.counters["sequential_tail_s"] = sequentialTail;
        state.counters["slow_path_wall_s"] = pipeline.wallSeconds;
        state.counters["tail_s"] = readNumber(tailFile);
        state.counters["extra_wall_s"] = pipeline.wallSeconds - exportOnly.wallSeconds;
        state.counters["slow_path_peak_mb"] = pipeline.peakMb;
        const bool same = fileExists(sequentialCache) && fileExists(pipelineCache) &&
                          readWhole(sequentialCache) == readWhole(pipelineCache);
        state.counters["cache_identical"] = same ? 1 : 0;
        if (!same) state.SkipWithError("the pipeline's cache differs from the sequential one");
    }
}
BENCHMARK(BM_SlowPathBesideListExport)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// A start with an unchanged emulator: cache read and indexed, ROM scan, sort, filters.
void BM_CachePath(benchmark::State& state)
{
    if (!fileExists(cachePath())) {
        GameTable table;
        importListXml(listPath(), table, cachePath());
    }
    const std::string& roms = romFolder();
    int shown = 0;
    for (auto _ : state) {
        const ChildUsage usage = measureInChild([&] {
            GameTable table;
            LauncherSettings settings;
            if (readGameCache(cachePath(), table) != 1) _exit(1);
            scanRomFolder(table, roms);
            sortCatalogue(table);
            filterGames(table, settings);
            _exit(table.filteredCount() > 0 ? 0 : 1);
        });
        state.SetIterationTime(usage.wallSeconds);
        report(state, "", usage);
    }
    GameTable table;
    readGameCache(cachePath(), table);
    scanRomFolder(table, roms);
    sortCatalogue(table);
    filterGames(table, LauncherSettings());
    shown = table.filteredCount();
    state.counters["games"] = table.gameCount();
    state.counters["shown"] = shown;
}
BENCHMARK(BM_CachePath)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// The same steps timed inside this process, without the cost of a fresh child's first page
// faults; "cache_path" above is the figure for a cold start.
void BM_CachePathInProcess(benchmark::State& state)
{
    const std::string& roms = romFolder();
    LauncherSettings settings;
    for (auto _ : state) {
        GameTable table;
        readGameCache(cachePath(), table);
        scanRomFolder(table, roms);
        sortCatalogue(table);
        filterGames(table, settings);
        benchmark::DoNotOptimize(table.filtered.data());
    }
}
BENCHMARK(BM_CachePathInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RomScan(benchmark::State& state)
{
    if (!fileExists(cachePath())) {
        GameTable table;
        importListXml(listPath(), table, cachePath());
    }
    const std::string& roms = romFolder();
    GameTable table;
    readGameCache(cachePath(), table);
    for (auto _ : state) scanRomFolder(table, roms);
    int present = 0;
    for (const auto& game : table.games) present += game->present;
    state.counters["games"] = table.gameCount();
    state.counters["present"] = present;
}
BENCHMARK(BM_RomScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
