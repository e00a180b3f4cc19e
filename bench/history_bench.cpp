// Memory and time of reading a 100 MB XML history file whose first entry holds one huge text.
//
// The file is made once in the temporary folder. Goal: the reader's peak resident set stays
// under 40 MB whatever the file's size (the text is streamed and cut, never held whole), and the
// read takes under 2 s of CPU. Memory is the peak resident set of a child process forked while
// the benchmark process is still small, so it counts what the read needs and nothing else.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "catalogue/mame_info.h"
#include "platform/files.h"

namespace {

constexpr std::size_t kHugeTextBytes = 100u << 20;

const std::string& historyPath()
{
    static const std::string path = [] {
        const std::string p = temporaryFolder() + "/quorvane_bench_history.xml";
        if (std::filesystem::exists(p)) return p;
        std::ofstream out(p, std::ios::binary);
        out << "<?xml version=\"1.0\"?>\n<history>\n<entry><systems><system name=\"game0\"/>"
               "</systems><text>";
        const std::string line = "A line of a very long history text &amp; more.\n";
        for (std::size_t written = 0; written < kHugeTextBytes; written += line.size()) out << line;
        out << "</text></entry>\n";
        for (int i = 1; i < 5000; ++i) {
            out << "<entry><systems><system name=\"game" << i << "\"/></systems><text>\nText of "
                << i << "\n</text></entry>\n";
        }
        out << "</history>\n";
        return p;
    }();
    return path;
}

void BM_HugeHistoryXml(benchmark::State& state)
{
    const std::string& path = historyPath();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            GameTable table;
            for (int i = 0; i < 5000; ++i) {
                auto game = std::make_unique<GameRecord>();
                game->romname = "game" + std::to_string(i);
                table.games.push_back(std::move(game));
            }
            indexCatalogue(table);
            std::FILE* quiet = std::freopen("/dev/null", "w", stderr);
            const int ok = loadMameInfo(path, table);
            _exit(quiet != nullptr && ok == 1 && table.games[4999]->infoLines.size() == 1 ? 0 : 1);
        }
        int status = 0;
        struct rusage usage {};
        wait4(child, &status, 0, &usage);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the read failed");
        state.counters["peak_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
        state.counters["cpu_s"] =
            static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    state.counters["file_mb"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_HugeHistoryXml)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
