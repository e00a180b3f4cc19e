#include "catalogue/build_catalogue.h"

#include <cstdio>

#include "catalogue/emulator_runner.h"
#include "catalogue/game_cache.h"
#include "catalogue/listxml_import.h"
#include "catalogue/mame_info.h"
#include "catalogue/rom_filter.h"
#include "platform/files.h"

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

// Imports the emulator's list through a temporary file. 0 after a message box on failure.
int importFromEmulator(const LauncherSettings& settings, GameTable& table, MessageBoxes& boxes,
                       const std::function<void(const std::string&)>& show)
{
    const std::string folder = temporaryFolder();
    if (!fileExists(folder)) {
        boxes.show("Error getting temporary path!", kErrorCaption);
        return 0;
    }
    auto created = createTemporaryFile(folder, "mam");
    if (!created) {
        boxes.show("Error getting temporary file!", kErrorCaption);
        return 0;
    }
    const TemporaryFile list{*created};

    const std::string command = settings.MameExe + " -listxml";
    if (runProcessToFile(command, folder, list.path, nullptr, boxes) == 0) {
        boxes.show("Error launching [" + command + "]!", kErrorCaption);
        return 0;
    }
    show("Building Game List (slow)...");
    if (importListXml(list.path, table, settings.GameCache) == 0) {
        boxes.show("Error loading game list!", kErrorCaption);
        return 0;
    }
    return 1;
}

}  // namespace

int buildCatalogue(LauncherSettings& settings, GameTable& table, BrowsePosition& position,
                   MessageBoxes& boxes, const CatalogueBuildHooks& hooks)
{
    const auto show = [&hooks](const std::string& text) {
        if (hooks.showMessage) {
            hooks.showMessage(text);
        } else {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        }
    };

    show("Loading Game Information From Mame...");
    const std::optional<std::string> version = probeEmulatorVersion(settings.MameExe, boxes);

    // A failed probe never forces a rebuild while a cache exists.
    const bool sameVersion = !version || version == settings.LastMameVersion;
    bool loaded = false;
    if (sameVersion && fileExists(settings.GameCache)) {
        show("Building Game List...");
        if (readGameCache(settings.GameCache, table) == 1) {
            loaded = true;
        } else {
            // A damaged cache is only a copy: rebuild it rather than refuse to start.
            std::printf(
                "The game cache [%s] cannot be read; rebuilding it from the emulator's "
                "list\n",
                settings.GameCache.c_str());
            std::fflush(stdout);
        }
    }
    if (!loaded && importFromEmulator(settings, table, boxes, show) == 0) return 0;

    if (settings.UseMameInfoDat) {
        show("Reading mameinfo.dat...");
        if (loadMameInfo(settings.MameinfoDat, table) == 0) {
            boxes.show("Error loading mameinfo.dat!", kErrorCaption);
            return 0;
        }
    }

    settings.LastMameVersion = version;

    show("Filtering And Sorting Roms...");
    scanRomFolder(table, settings.RomsDir);
    sortCatalogue(table);
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
