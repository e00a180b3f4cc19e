#include "catalogue/build_catalogue.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/emulator_runner.h"
#include "catalogue/game_cache.h"
#include "catalogue/listxml_import.h"
#include "catalogue/mame_info.h"
#include "catalogue/rom_filter.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr const char* kErrorCaption = "Error";

void call(const std::function<void()>& hook)
{
    if (hook) hook();
}

// Removes the file when the scope ends, whatever the outcome.
struct TemporaryFile {
    std::string path;
    ~TemporaryFile()
    {
        if (!path.empty()) removeFile(path);
    }
};

// How often the count of entries read is shown while the list is read.
constexpr std::chrono::milliseconds kProgressPeriod{250};
// How long the reader waits at the end of the list before it looks for more of it.
constexpr std::chrono::milliseconds kListPollPeriod{10};

constexpr const char* kSlowBuildText = "Building Game List (slow)...";

// The progress texts of a build, with a notice kept after every later text once there is one.
class Progress {
public:
    explicit Progress(const CatalogueBuildHooks& hooks) : hooks_(hooks) {}

    void show(const std::string& text)
    {
        const std::string shown = notice_.empty() ? text : text + " - " + notice_;
        if (hooks_.showMessage) {
            hooks_.showMessage(shown);
        } else {
            std::printf("%s\n", shown.c_str());
            std::fflush(stdout);
        }
    }

    // `text` goes to standard error (the message window closes when the build ends); the
    // window keeps `brief`, one line, after every later text.
    void notice(const std::string& text, const std::string& brief)
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        notice_ = brief;
    }

    std::chrono::steady_clock::time_point now() const
    {
        return hooks_.now ? hooks_.now() : std::chrono::steady_clock::now();
    }

private:
    const CatalogueBuildHooks& hooks_;
    std::string notice_;
};

// Imports the emulator's list while the emulator writes it to a temporary file: the emulator
// runs on a thread of its own and the list is parsed here as it grows, so the import ends about
// when the emulator does. 0 after a message box on failure; the table and the cache are then
// untouched. `cacheWritten` tells whether the new cache was written.
int importFromEmulator(const LauncherSettings& settings, GameTable& table, MessageBoxes& boxes,
                       Progress& progress, bool& cacheWritten)
{
    const std::string folder = temporaryFolder();
    if (!fileExists(folder)) {
        boxes.show("Error getting temporary path!", kErrorCaption);
        return 0;
    }
    const std::string command = settings.MameExe + " -listxml";
    // The probe has shown why the setting is no command.
    if (!parseEmulatorCommand(settings.MameExe)) {
        boxes.show("Error launching [" + command + "]!", kErrorCaption);
        return 0;
    }
    auto created = createTemporaryFile(folder, "mam");
    if (!created) {
        boxes.show("Error getting temporary file!", kErrorCaption);
        return 0;
    }
    const TemporaryFile list{*created};

    ProcessRequest request;
    request.commandLine = command;
    request.workingDirectory = folder;
    request.output = ProcessOutput::CaptureFile;
    request.outputPath = list.path;
    ProcessResult result;
    std::atomic<bool> finished{false};
    std::thread emulator([&] {
        result = runProcess(request);
        finished = true;
    });

    progress.show(kSlowBuildText);
    auto lastShown = progress.now();
    ListReadOptions options;
    const xml_stream::GrowingFile growing{[&] { return finished.load(); },
                                          [] { std::this_thread::sleep_for(kListPollPeriod); }};
    options.growing = &growing;
    options.progress = [&](const ListImportCounts& counts) {
        const auto now = progress.now();
        if (now - lastShown < kProgressPeriod) return;
        lastShown = now;
        progress.show(std::string(kSlowBuildText) + " " + std::to_string(counts.read()) +
                      " machines read, " + std::to_string(counts.kept) + " games kept");
    };
    const int imported =
        importListXml(list.path, table, settings.GameCache, options, &cacheWritten);
    emulator.join();

    if (reportProcessResult(request, result, nullptr, boxes) == 0) {
        boxes.show("Error launching [" + command + "]!", kErrorCaption);
        return 0;
    }
    if (imported == 0) {
        boxes.show("Error loading game list!", kErrorCaption);
        return 0;
    }
    return 1;
}

// Boxes asked for on another thread, kept to be shown later on the GUI thread in the same order.
class HeldMessageBoxes final : public MessageBoxes {
public:
    explicit HeldMessageBoxes(std::vector<std::pair<std::string, std::string>>& held) : held_(held)
    {
    }
    void show(const std::string& text, const std::string& caption) override
    {
        held_.emplace_back(text, caption);
    }

private:
    std::vector<std::pair<std::string, std::string>>& held_;
};

// The emulator takes a while to start and answer; the cache is read meanwhile, and kept only
// when the versions turn out to match.
CatalogueSources readCatalogueSources(const std::string& emulator, const std::string& cache,
                                      const std::string& romsDir)
{
    CatalogueSources sources;
    HeldMessageBoxes probeBoxes(sources.probeBoxes);
    const std::jthread probe([&] { sources.version = probeEmulatorVersion(emulator, probeBoxes); });
    if (fileExists(cache)) sources.cacheRead = readGameCache(cache, sources.cached);
    if (sources.cacheRead == 1) {
        scanRomFolder(sources.cached, romsDir);
        sortCatalogue(sources.cached);
    }
    return sources;
}

// After a cache write failed: the old cache must not outlive the version it was made for, and
// the version is forgotten so that the next start asks the emulator again.
void forgetUnwrittenCache(LauncherSettings& settings, const CatalogueBuildHooks& hooks,
                          Progress& progress)
{
    std::error_code error;
    const bool oldFile = std::filesystem::is_regular_file(settings.GameCache, error);
    const bool removed = oldFile && removeFile(settings.GameCache);
    std::string text = "The game cache [" + settings.GameCache + "] cannot be written";
    text += removed ? "; the old one was removed." : ".";
    text += " The list is read from the emulator at every start until it can be.";
    progress.notice(text, "Game cache not written: " + settings.GameCache);
    settings.LastMameVersion = std::nullopt;
    if (hooks.recordVersion) hooks.recordVersion(settings.LastMameVersion);
}

}  // namespace

std::future<CatalogueSources> startReadingCatalogueSources(const LauncherSettings& settings)
{
    return std::async(std::launch::async, readCatalogueSources, settings.MameExe,
                      settings.GameCache, settings.RomsDir);
}

int buildCatalogue(LauncherSettings& settings, GameTable& table, BrowsePosition& position,
                   MessageBoxes& boxes, const CatalogueBuildHooks& hooks,
                   std::future<CatalogueSources> sources)
{
    Progress progress(hooks);
    const auto show = [&progress](const std::string& text) { progress.show(text); };

    show("Loading Game Information From Mame...");
    if (!sources.valid()) sources = startReadingCatalogueSources(settings);
    if (fileExists(settings.GameCache)) show("Building Game List...");
    auto [version, probeBoxes, cached, cacheRead] = sources.get();
    for (const auto& [text, caption] : probeBoxes) boxes.show(text, caption);

    // A failed probe never forces a rebuild while a cache exists.
    const bool sameVersion = !version || version == settings.LastMameVersion;
    const bool loaded = sameVersion && cacheRead == 1;
    if (sameVersion && cacheRead == 0) {
        // A damaged cache is only a copy: rebuild it rather than refuse to start.
        std::printf("The game cache [%s] cannot be read; rebuilding it from the emulator's list\n",
                    settings.GameCache.c_str());
        std::fflush(stdout);
    }
    if (loaded) {
        releaseCatalogue(table);
        table = std::move(cached);
    } else {
        releaseCatalogue(cached);
        bool cacheWritten = false;
        if (importFromEmulator(settings, table, boxes, progress, cacheWritten) == 0) return 0;
        if (cacheWritten) {
            // Recorded at once: a start that fails after this point still finds the cache.
            settings.LastMameVersion = version;
            if (hooks.recordVersion) hooks.recordVersion(version);
        } else {
            forgetUnwrittenCache(settings, hooks, progress);
        }
    }

    // The texts themselves are read when the history is first asked for.
    if (settings.UseMameInfoDat) {
        if (checkMameInfo(settings.MameinfoDat) == 0) {
            boxes.show("Error loading mameinfo.dat!", kErrorCaption);
            return 0;
        }
    }

    if (loaded) settings.LastMameVersion = version;

    show("Filtering And Sorting Roms...");
    if (!loaded) {  // a cache read whole was matched and sorted while it was read
        scanRomFolder(table, settings.RomsDir);
        sortCatalogue(table);
    }
    filterGames(table, settings);

    call(hooks.discardKeyPresses);
    position.firstVisibleIndex = 0;
    const int found = findFilteredIndex(table, settings.SelectedGame);
    position.selectedIndex = found > 0 ? found : 0;
    position.pageDirty = true;
    call(hooks.closeMessage);

    call(hooks.setUpControllers);
    call(hooks.startJukebox);
    if (settings.Sounds.Startup && !settings.Sounds.Startup->empty() && hooks.playStartupSound)
        hooks.playStartupSound(*settings.Sounds.Startup);
    if (settings.MusicPlayAtStartup) call(hooks.playMusicAtStartup);
    call(hooks.installMusicHooks);
    call(hooks.startMusicBarTimer);

    if (table.gameCount() == 0) {
        boxes.show("No games found!", kErrorCaption);
        return 0;
    }
    return 1;
}
