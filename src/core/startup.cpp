// The composition root of the launcher: builds the real platform pieces, hands references down
// and runs start-up and shutdown in the order the other pieces rely on.
//
// One difference from a desktop program with separate pop-up windows: the progress messages of
// the catalogue build are layers of the one full-screen window, so the window is shown (with the
// background colour) before the build starts rather than after it, or nobody would see them.
#include "core/startup.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <utility>

#include "catalogue/browse_position.h"
#include "catalogue/build_catalogue.h"
#include "catalogue/game_record.h"
#include "catalogue/mame_info.h"
#include "config/settings.h"
#include "core/browse_controller.h"
#include "core/game_launch.h"
#include "core/tick_loop.h"
#include "display/main_window.h"
#include "input/input_actions.h"
#include "input/joystick.h"
#include "input/keyboard_state.h"
#include "input/listing_mode.h"
#include "music/jukebox.h"
#include "platform/clock.h"
#include "platform/controller.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/memory.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/screen.h"
#include "platform/sdl_audio.h"
#include "platform/sdl_controller.h"
#include "platform/single_instance.h"
#include "platform/tag_reader_taglib.h"
#include "ui/info_window.h"
#include "ui/message_box_window.h"
#include "ui/message_window.h"
#include "ui/options_menu.h"
#include "ui/popup_loop.h"
#include "ui/popup_wiring.h"

std::string joinCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) line += ' ';
        line += arguments[i];
    }
    return line;
}

bool isHelpRequest(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") return true;
    }
    return false;
}

// Where the installed documents and the example settings are; the build gives the real places.
#ifndef QUORVANE_DOC_DIR
#define QUORVANE_DOC_DIR "/usr/share/doc/quorvane"
#endif
#ifndef QUORVANE_DATA_DIR
#define QUORVANE_DATA_DIR "/usr/share/quorvane"
#endif

std::string usageText()
{
    return std::string(kLauncherCaption) +
           "\n"
           "Usage: quorvane [SETTINGS-FILE]\n"
           "       quorvane --listjoysticks\n"
           "\n"
           "Starts the full-screen game launcher with the settings in SETTINGS-FILE (default\n"
           "./launcher.ini; the arguments joined by single blanks form the path).\n"
           "--listjoysticks prints the first usable game controller with its name, axes and\n"
           "buttons, as the DirectInputJoystick setting wants it, and waits for Enter.\n"
           "\n"
           "Every setting is described in " QUORVANE_DOC_DIR "/settings.md;\n"
           "an example settings file is " QUORVANE_DATA_DIR "/launcher.ini.example.\n"
           "Setting up a cabinet: " QUORVANE_DOC_DIR "/cabinet.md.\n";
}

bool isListingMode(const std::string& commandLine)
{
    return commandLine.find("--listjoysticks") != std::string::npos;
}

std::string settingsPathFor(const std::string& commandLine)
{
    return commandLine.empty() ? std::string(kDefaultSettingsPath) : commandLine;
}

namespace {

int runListing()
{
    std::string error;
    std::unique_ptr<ControllerPort> port = createSdlControllerPort(&error);
    if (!port && !error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return runListingMode(port.get(), std::cout, std::cin, kLauncherCaption);
}

// Everything the normal mode builds, in the order it is built; members are destroyed in the
// reverse order, after the explicit shutdown sequence has run.
class Launcher {
public:
    // `startupNotice` is a message from before the window existed; it is shown on the window
    // once it can be.
    Launcher(std::string settingsPath, std::optional<std::string> startupNotice)
        : settingsPath_(std::move(settingsPath)), startupNotice_(std::move(startupNotice))
    {
    }

    int run();

private:
    bool createScreen();
    void createInput();
    void createMusic();
    void createPopups();
    void openAudio();
    void runAfterFirstFrame();
    CatalogueBuildHooks catalogueHooks();
    void handleEvent(const ScreenEvent& event);
    void discardStalePresses();
    std::optional<std::string> selectedRomname() const;
    void releaseResources();

    std::string settingsPath_;
    std::optional<std::string> startupNotice_;
    SystemMessageBoxes systemBoxes_;
    LauncherMessageBoxes boxes_{systemBoxes_};
    SteadyClock clock_;
    LauncherSettings settings_;
    GameTable table_;
    BrowsePosition position_;
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<BrowseDisplay> display_;
    std::unique_ptr<MessageWindow> messages_;
    KeyboardState keyboard_;
    std::unique_ptr<ControllerPort> controllers_;
    std::unique_ptr<Joystick> joystick_;
    std::unique_ptr<InputActions> actions_;
    std::unique_ptr<SdlAudio> audio_;
    SilentSoundPlayer silence_;
    TagLibTagReader tags_;
    std::unique_ptr<Jukebox> jukebox_;
    std::unique_ptr<PopupContext> popups_;
    // The catalogue build's sound and music steps, in their order. They wait until the list is
    // on the screen: the audio output, the startup sound and the first song are not needed for
    // it, and loading the mixer and decoding a song would only delay it.
    std::vector<std::function<void()>> afterFirstFrame_;
};

bool Launcher::createScreen()
{
    std::string error;
    screen_ = createSdlScreen(kLauncherCaption, &error);
    if (!screen_) {
        if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
        boxes_.show("Failed to create window!", "Error");
        return false;
    }
    return true;
}

void Launcher::createInput()
{
    std::string error;
    controllers_ = createSdlControllerPort(&error);
    if (!controllers_) {
        // A cabinet without a joystick subsystem still runs on the keyboard.
        if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
        controllers_ = std::make_unique<NullControllerPort>();
    }
    joystick_ = std::make_unique<Joystick>(*controllers_, settings_, std::cout);
    actions_ = std::make_unique<InputActions>(settings_, keyboard_, *joystick_);
}

void Launcher::createMusic()
{
    Screen* screen = screen_.get();
    jukebox_ = std::make_unique<Jukebox>(
        settings_, tags_, [screen] { screen->postFromAnyThread(ScreenEventType::MusicEnded); },
        static_cast<uint32_t>(std::time(nullptr)));
}

// The pop-ups' context, and with it the message boxes become layers of the launcher's window.
void Launcher::createPopups()
{
    popups_ = std::make_unique<PopupContext>(makePopupContext(
        *screen_, display_->fonts(), settings_, clock_, keyboard_, *joystick_,
        [this](const ScreenEvent& e) { handleEvent(e); },
        [this] {
            position_.pageDirty = true;
            display_->composeFrame(screen_->frame());
        }));
    boxes_.attach(*popups_);
}

CatalogueBuildHooks Launcher::catalogueHooks()
{
    CatalogueBuildHooks hooks;
    hooks.showMessage = [this](const std::string& text) { messages_->showMessage(text); };
    hooks.closeMessage = [this] { messages_->closeMessage(); };
    hooks.discardKeyPresses = [this] { discardStalePresses(); };
    hooks.setUpControllers = [this] { setUpControllers(*joystick_, settings_, std::cout); };
    hooks.startJukebox = [this] {
        afterFirstFrame_.push_back([this] {
            openAudio();
            jukebox_->init(audio_ ? &audio_->music() : nullptr);
        });
    };
    hooks.playStartupSound = [this](const std::string& path) {
        afterFirstFrame_.push_back([this, path] {
            SoundPlayer& sounds = audio_ ? audio_->sounds() : silence_;
            sounds.play(path, SoundWait::Async);
        });
    };
    hooks.playMusicAtStartup = [this] {
        afterFirstFrame_.push_back([this] { jukebox_->playMusic(); });
    };
    hooks.installMusicHooks = [this] {
        afterFirstFrame_.push_back([this] {
            jukebox_->setOnSongEnded([this] { display_->repaintAll(*screen_); });
            jukebox_->setOnMusicStarted([this] { display_->repaintMusicBar(*screen_); });
            jukebox_->setOnMusicStopped([this] { display_->repaintMusicBar(*screen_); });
            jukebox_->setOnMusicPaused([this](bool) { display_->repaintMusicBar(*screen_); });
        });
    };
    hooks.startMusicBarTimer = [this] { screen_->startTimer(kMusicBarTimerId, kMusicBarPeriodMs); };
    hooks.recordVersion = [this](const std::optional<std::string>& version) {
        // A start without a settings file must not leave one behind if it fails later.
        if (fileExists(settingsPath_))
            writePrivateProfileString("System", "LastMameVersion", version, settingsPath_);
    };
    return hooks;
}

// Opening the output loads SDL_mixer and its decoders; a cabinet without sound runs silent.
void Launcher::openAudio()
{
    std::string error;
    audio_ = SdlAudio::create(&error);
    if (!audio_ && !error.empty()) std::fprintf(stderr, "No sound output: %s\n", error.c_str());
}

void Launcher::runAfterFirstFrame()
{
    for (const auto& step : std::exchange(afterFirstFrame_, {})) step();
}

// The main window's events besides keys and focus (which the tick loop feeds to the keyboard).
void Launcher::handleEvent(const ScreenEvent& event)
{
    switch (event.type) {
    case ScreenEventType::Timer:
        if (event.timerId == kMusicBarTimerId) display_->repaintMusicBar(*screen_);
        break;
    case ScreenEventType::Repaint:
        screen_->present();
        break;
    case ScreenEventType::MusicEnded:
        jukebox_->handleSongEnded();
        break;
    case ScreenEventType::Resized:
        display_->screenResized(*screen_);
        break;
    case ScreenEventType::KeyDown:
    case ScreenEventType::KeyUp:
    case ScreenEventType::FocusGained:
    case ScreenEventType::FocusLost:
        keyboard_.handleEvent(event);
        break;
    case ScreenEventType::Quit:
        break;
    }
}

void Launcher::discardStalePresses()
{
    drainScreenEvents(*screen_, keyboard_, [this](const ScreenEvent& e) { handleEvent(e); });
    keyboard_.discardPresses();
}

std::optional<std::string> Launcher::selectedRomname() const
{
    if (table_.filteredCount() <= 0) return std::nullopt;
    int index = position_.selectedIndex;
    if (index < 0 || index >= table_.filteredCount()) index = 0;
    return table_.filtered[index]->romname;
}

void Launcher::releaseResources()
{
    if (joystick_ && joystick_->directInputInUse) joystick_->releaseDirectInput();
    if (jukebox_) jukebox_->shutdown();
    if (screen_) screen_->stopTimer(kMusicBarTimerId);
    releaseCatalogue(table_);
    if (settings_.Sounds.Shutdown) {
        SoundPlayer& sounds = audio_ ? audio_->sounds() : silence_;
        sounds.play(*settings_.Sounds.Shutdown, SoundWait::UntilDone);
    }
}

int Launcher::run()
{
    if (!createScreen()) return 1;

    settings_ = loadSettings(settingsPath_);
    settings_.Orientation = settings_.CurrentOrientation;
    // Read while the window appears below, which waits on the display for a while.
    std::future<CatalogueSources> sources = startReadingCatalogueSources(settings_);

    display_ = std::make_unique<BrowseDisplay>(settings_, table_, position_);
    messages_ = std::make_unique<MessageWindow>(*screen_, display_->fonts(), settings_);
    createInput();
    createMusic();
    createPopups();

    // Show the background at once so that the build's progress messages are seen.
    screen_->show();
    display_->repaintAll(*screen_);
    // Already in the log; now on the screen too.
    if (startupNotice_ && messageBoxesWanted())
        showMessageBoxLayer(*popups_, *startupNotice_, "Error");

    if (buildCatalogue(settings_, table_, position_, boxes_, catalogueHooks(),
                       std::move(sources)) == 0) {
        messages_->closeMessage();
        boxes_.show("Initialization failed", "Error");
        return 1;
    }
    if (position_.selectedIndex >= table_.filteredCount()) position_.selectedIndex = 0;
    display_->setMusicStatusQuery([this] { return jukebox_->status(); });

    // The list at once; its corner pictures follow in the next frame, a moment later.
    display_->holdCornerPictures(true);
    display_->repaintAll(*screen_);
    exitAfterFirstFrameIfAsked();
    runAfterFirstFrame();
    display_->holdCornerPictures(false);
    display_->repaintAll(*screen_);
    screen_->hideCursor();

    DisplayBrowseView view(*display_, *screen_, settings_);
    GameLauncher launcher(settings_, *screen_, boxes_,
                          LaunchHooks{mameOptionsFromFile(settingsPath_),
                                      // The launcher only waits while a game runs: the heap's
                                      // free pages go to the emulator.
                                      [](const ProcessRequest& request) {
                                          returnFreeMemory();
                                          return runProcess(request);
                                      },
                                      [this] { return jukebox_->isMusicPlaying(); },
                                      [this](bool paused) { jukebox_->pauseMusic(paused); },
                                      nullptr, [this] { jukebox_->handleSongEnded(); }});
    auto eventHandler = [this](const ScreenEvent& e) { handleEvent(e); };
    PopupContext& popups = *popups_;
    JukeboxHooks music = jukeboxHooks(*jukebox_);

    BrowseCommands commands;
    commands.showMessage = [this](const std::string& text) { messages_->showMessage(text); };
    commands.closeMessage = [this] { messages_->closeMessage(); };
    commands.launchGame = [&launcher](const GameRecord& game, int& exitCode) {
        return launcher.launchGame(game, exitCode);
    };
    commands.openMenu = [&popups, &music] { return runOptionsMenu(popups, music); };
    // Read on the first request: megabytes that most sessions never show. A file that turns
    // out unreadable or malformed then is named on the screen (the reason is already on
    // standard error); the texts read before the fault still show.
    commands.loadHistoryTexts = [this, loaded = false]() mutable {
        if (std::exchange(loaded, true)) return;
        if (loadMameInfo(settings_.MameinfoDat, table_) == 0)
            boxes_.show("Error loading mameinfo.dat!", "Error");
    };
    commands.openGameInfo = [&popups](const std::vector<std::string>& lines) {
        showGameInfo(popups, lines);
    };
    commands.musicPlay = [this] { jukebox_->playMusic(); };
    commands.musicStop = [this] { jukebox_->stopMusic(); };
    commands.musicNext = [this] { jukebox_->nextSong(); };
    commands.musicPrevious = [this] { jukebox_->previousSong(); };

    SoundPlayer& sounds = audio_ ? audio_->sounds() : silence_;
    BrowseController controller(settings_, table_, position_, *actions_, *screen_, view, sounds,
                                clock_, std::move(commands));
    controller.setEventHandler(eventHandler);

    announceReadyIfAsked();
    runTickLoop(*screen_, clock_, keyboard_, eventHandler, [&controller] {
        controller.browseTick();
    });

    saveSettings(settings_, selectedRomname(), settingsPath_);
    releaseResources();
    screen_->showCursor();
    if (audio_) audio_->sounds().stopAll();
    return 0;
}

}  // namespace

int runLauncher(const std::string& commandLine)
{
    shareOneHeap();
    if (isListingMode(commandLine)) return runListing();

    SingleInstance::Result instance = SingleInstance::acquire(kSingleInstanceName);
    if (instance.status == SingleInstance::Status::AlreadyRunning) return 1;
    std::optional<std::string> notice;
    if (instance.status == SingleInstance::Status::Error) {
        char text[64];
        std::snprintf(text, sizeof text, "CreateMutex error: %d\n", instance.errorCode);
        notice = text + instance.error;
        // In the log at once, whatever becomes of the window.
        logMessage(*notice, "Error");
    }

    Launcher launcher(settingsPathFor(commandLine), std::move(notice));
    const int status = launcher.run();
    setExitStatusIfDisplayLostWhileClosing(status);
    return status;
}
