// Start-up and shutdown cost of the settings file: loading reads every key of a full file, saving
// rewrites the changeable ones. Both must stay well under a frame even on a slow cabinet.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "config/settings.h"
#include "platform/profile.h"

namespace {

// A complete settings file, as a user would keep it (CRLF line ends, every key of the record) plus
// a Mameoptions section of `games` entries.
class SettingsFile {
public:
    explicit SettingsFile(int games)
        : path_((std::filesystem::temp_directory_path() / "quorvane-bench-settings.ini").string())
    {
        std::string error;
        ProfileFile file = ProfileFile::fromText("\xEF\xBB\xBF; launcher settings\r\n");
        file.save(path_, error);
        saveSettings(LauncherSettings{}, std::string("pacman"), path_);
        file = ProfileFile::load(path_);
        const char* extra[][2] = {{"Settings", "PlaylistFilename"}, {"Settings", "GameCache"},
                                  {"Settings", "Mame.exe"},         {"Settings", "Roms.dir"},
                                  {"Settings", "Fontcolor"},        {"Settings", "Backgroundcolor"},
                                  {"Keymappings", "SelectUp"},      {"Keymappings", "Exit"},
                                  {"JoystickMappings", "SelectUp"}, {"Sounds", "Startup"}};
        for (const auto& key : extra) file.setString(key[0], key[1], "value");
        for (int i = 0; i < games; ++i) {
            file.setString("Mameoptions", "game" + std::to_string(i), "-nosound -skip_gameinfo");
        }
        file.save(path_, error);
    }
    ~SettingsFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void BM_LoadSettings(benchmark::State& state)
{
    SettingsFile file(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(loadSettings(file.path()));
}
BENCHMARK(BM_LoadSettings)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State& state)
{
    SettingsFile file(static_cast<int>(state.range(0)));
    LauncherSettings settings = loadSettings(file.path());
    int size = 10;
    for (auto _ : state) {
        settings.Fontsize = ++size % 40;  // a real change, so that the file is rewritten
        benchmark::DoNotOptimize(saveSettings(settings, std::string("pacman"), file.path()));
    }
}
BENCHMARK(BM_SaveSettings)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
