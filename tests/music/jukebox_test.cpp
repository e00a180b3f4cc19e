#include "music/jukebox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <future>
#include <map>
#include <regex>
#include <set>

#include "music/music_test_files.h"

namespace {

using Names = std::vector<std::string>;
using namespace std::chrono_literals;

// A stream that plays nothing: tests script its failures and end songs on demand. It knows
// songs by their playlist names (the harness keeps their files in a temporary folder).
struct FakeStream final : MusicStream {
    bool open(const std::string& path, EndHandler onEnd) override
    {
        ++openCount;
        std::string name = path.rfind(root, 0) == 0 ? path.substr(root.size()) : path;
        openPath = name == unopenable ? "" : name;
        handler = openPath.empty() ? nullptr : std::move(onEnd);
        return !openPath.empty();
    }
    bool start() override
    {
        if (openPath.empty() || openPath == unstartable) return false;
        started.push_back(openPath);
        return true;
    }
    bool ready() const override { return !openPath.empty() && !neverReady; }
    void close() override
    {
        if (duringCall) duringCall();
        handler = nullptr;
        openPath.clear();
    }
    long lengthMs() const override { return openPath.empty() ? 0 : 240000; }
    long positionMs() const override { return openPath.empty() ? 0 : 185900; }
    void setPaused(bool value) override
    {
        if (duringCall) duringCall();
        pauses.push_back(value);
    }
    // Plays the open stream to its end on the calling thread, standing in for the audio thread.
    bool finish()
    {
        EndHandler ended = std::exchange(handler, nullptr);
        if (ended) ended();
        return static_cast<bool>(ended);
    }

    std::string root, unopenable = "bad.mp3", unstartable = "silent.mp3", openPath;
    bool neverReady = false;
    Names started;
    std::vector<bool> pauses;
    int openCount = 0;
    EndHandler handler;
    std::function<void()> duringCall;  // runs inside close() and setPaused()
};

struct FakeTags final : TagReader {
    TagFields read(const std::string& path) override { return fields[path.substr(root.size())]; }
    std::string root;
    std::map<std::string, TagFields> fields;
};

// A jukebox over the fake stream with a playlist of `songs`, logging its hooks. Each song is an
// empty file in a temporary folder, except names starting with "missing" (no file), "fifo" (a
// FIFO), names ending in '/' (a folder) and absolute paths (taken as they are). The stream
// cannot open "bad.mp3" and cannot start "silent.mp3".
struct Harness {
    explicit Harness(const Names& songs, bool initNow = true)
    {
        stream.root = tags.root = dir.dir() + "/";
        std::string text;
        for (const auto& song : songs) {
            const std::string path = song.rfind('/', 0) == 0 ? song : dir.path(song);
            text += path + "\n";
            if (song.rfind('/', 0) == 0 || song.rfind("missing", 0) == 0) continue;
            if (song.back() == '/') {
                std::filesystem::create_directory(path);
            } else if (song.rfind("fifo", 0) == 0) {
                EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
            } else {
                writeFile(path, "");
            }
        }
        settings.PlaylistFilename = dir.write("playlist.txt", text);
        // Each hook queries the jukebox, as the real repaint does: this must not deadlock.
        auto log = [this](const char* event) {
            (void)jukebox.status();
            events.push_back(event);
        };
        jukebox.setOnSongEnded([log] { log("ended"); });
        jukebox.setOnMusicStarted([log] { log("started"); });
        jukebox.setOnMusicStopped([log] { log("stopped"); });
        jukebox.setOnMusicPaused([log](bool paused) { log(paused ? "paused" : "resumed"); });
        if (initNow) jukebox.init(&stream);
    }
    // Commands: P play, S stop, n next, p previous, z pause, Z resume; e the song ends (the
    // stream reports it and the GUI thread handles the posted event), f only the report, h only
    // the GUI thread's handling.
    void run(const std::string& script)
    {
        for (char c : script) {
            if (c == 'P') jukebox.playMusic();
            if (c == 'S') jukebox.stopMusic();
            if (c == 'n') jukebox.nextSong();
            if (c == 'p') jukebox.previousSong();
            if (c == 'z' || c == 'Z') jukebox.pauseMusic(c == 'z');
            if (c == 'e' || c == 'f') {
                ASSERT_TRUE(stream.finish());
                ASSERT_TRUE(c == 'f' || posts.exchange(0) > 0) << "the end was posted";
            }
            if (c == 'e' || c == 'h') jukebox.handleSongEnded();
        }
    }
    Names takeEvents() { return std::exchange(events, {}); }

    TempFolder dir;
    LauncherSettings settings;
    FakeTags tags;
    FakeStream stream;
    std::atomic<int> posts{0};
    Jukebox jukebox{settings, tags, [this] { ++posts; }, 12345};
    Names events;
};

// Each rule, also with the end reported just before a game pauses the music and handled while
// the game runs: the following song is chosen then, but starts only when the game ends.
TEST(JukeboxTest, EndOfSongRules)
{
    struct Case {
        const char* name;
        int repeatSong, random, repeatPlaylist, startIndex;
        const char* nextPlayed;  // nullptr: the music stops
        Names events;
    };
    const Case cases[] = {
        {"repeat song", 1, 0, 1, 1, "s1", {}},
        {"repeat song beats random", 1, 1, 1, 2, "s2", {}},
        {"sequential middle", 0, 0, 0, 1, "s2", {"ended"}},
        {"sequential last wraps", 0, 0, 1, 2, "s0", {"ended"}},
        {"sequential last stops", 0, 0, 0, 2, nullptr, {"stopped"}},
    };
    for (const Case& c : cases) {
        for (bool duringGame : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (duringGame ? ", during a game" : ""));
            Harness h({"s0", "s1", "s2"});
            h.run(std::string(c.startIndex, 'n'));
            // Settings are read at each decision, so changing them now counts.
            h.settings.MusicRepeatSong = c.repeatSong;
            h.settings.MusicRandomPlay = c.random;
            h.settings.MusicRepeatPlaylist = c.repeatPlaylist;
            h.run("P");
            h.takeEvents();
            h.stream.started.clear();
            Names expected = c.events;
            if (duringGame) {
                h.run("fzh");  // the report waits for the GUI thread, busy with the launch
                EXPECT_TRUE(h.stream.started.empty()) << "nothing starts during the game";
                EXPECT_EQ(h.jukebox.isMusicPaused(), c.nextPlayed != nullptr);
                EXPECT_EQ(h.jukebox.status().paused, c.nextPlayed != nullptr);
                h.run("Z");
                expected.insert(expected.begin(), "paused");
                if (c.nextPlayed) expected.push_back("resumed");
            } else {
                h.run("e");
            }
            EXPECT_EQ(h.takeEvents(), expected);
            EXPECT_EQ(h.jukebox.isMusicPlaying(), c.nextPlayed != nullptr);
            EXPECT_FALSE(h.jukebox.isMusicPaused());
            if (c.nextPlayed == nullptr) {
                EXPECT_EQ(h.stream.openPath, "");
                h.run("P");  // starts the last song again
            }
            EXPECT_EQ(h.stream.started, Names{c.nextPlayed ? c.nextPlayed : "s2"});
        }
    }
}

TEST(JukeboxTest, NextAndPreviousWrapRandomPlayReachesEverySongIdleCommandsCallNoHook)
{
    Harness h({"a", "b", "c"});
    h.run("Szp");
    EXPECT_EQ(h.jukebox.currentIndex(), 2u);
    EXPECT_TRUE(h.events.empty()) << "stop, pause and moves while stopped call no hook";
    EXPECT_TRUE(h.stream.openCount == 0 && h.stream.pauses.empty()) << "nor the output";
    h.run("PPnpSS");
    EXPECT_EQ(h.stream.started, (Names{"c", "a", "c"}));
    EXPECT_EQ(h.takeEvents().size(), 6u);
    EXPECT_EQ(h.jukebox.currentIndex(), 2u) << "stopping keeps the current song";

    Harness one({"only"});
    one.run("Pnp");
    EXPECT_EQ(one.stream.started, (Names{"only", "only", "only"}));

    EXPECT_EQ(h.jukebox.randRange(0, -1), 0) << "an empty range picks no position";
    h.settings.MusicRandomPlay = 1;
    h.stream.started.clear();
    h.run("P" + std::string(60, 'e'));
    EXPECT_EQ(std::set<std::string>(h.stream.started.begin(), h.stream.started.end()),
              (std::set<std::string>{"a", "b", "c"}));
}

// A song that cannot be played is skipped as if it had ended, each at most once per start.
TEST(JukeboxTest, BrokenSongsAreSkipped)
{
    struct Case {
        const char* name;
        Names songs;
        int random, repeatSong, repeatPlaylist;
        const char* script;  // see Harness::run
        Names started;
        bool playing;
        int skipped;  // lines naming a skipped song on standard error; -1: any
        int opened;   // songs handed to the stream: only the files that may play
    };
    const Names broken = {"missing.mp3", "silent.mp3", "fifo.mp3", "/dev/zero", "folder/"};
    // clang-format off
    const Case cases[] = {
        {"every kind of broken entry",
         {"missing.mp3", "silent.mp3", "fifo.mp3", "/dev/zero", "bad.mp3", "folder/", "good.mp3"},
         0, 0, 1, "P", {"good.mp3"}, true, 6, 3},
        {"repeat song does not retry it", {"missing.mp3", "good.mp3"}, 0, 1, 1, "P",
         {"good.mp3"}, true, 1, 1},
        {"at the end of a song", {"good.mp3", "missing.mp3", "last.mp3"}, 0, 0, 0, "Pe",
         {"good.mp3", "last.mp3"}, true, 1, 2},
        {"a broken last song ends the music", {"good.mp3", "missing.mp3"}, 0, 0, 0, "Pe",
         {"good.mp3"}, false, 1, 1},
        {"previous goes on backwards", {"a.mp3", "missing.mp3", "c.mp3"}, 0, 0, 1, "Pnp",
         {"a.mp3", "c.mp3", "a.mp3"}, true, 2, 3},
        {"random play", {"missing.mp3", "missing2.mp3", "good.mp3", "missing3.mp3"}, 1, 0, 1,
         "P", {"good.mp3"}, true, -1, 1},
        {"only broken files", broken, 0, 0, 1, "P", {}, false, 5, 1},
        {"only broken files, random", broken, 1, 0, 1, "P", {}, false, 5, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(c.songs, false);
        h.tags.fields["silent.mp3"].id3v2Title = "Never read";
        h.settings.MusicRandomPlay = c.random;
        h.settings.MusicRepeatSong = c.repeatSong;
        h.settings.MusicRepeatPlaylist = c.repeatPlaylist;
        h.jukebox.init(&h.stream);
        while (h.jukebox.currentIndex() != 0u) h.jukebox.nextSong();  // random starts anywhere
        testing::internal::CaptureStderr();
        h.run(c.script);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(h.stream.started, c.started);
        EXPECT_EQ(h.jukebox.isMusicPlaying(), c.playing);
        if (c.playing) {
            MusicStatus status = h.jukebox.status();
            EXPECT_EQ(status.title + ".mp3", c.started.back()) << "the bar shows what plays";
            EXPECT_EQ(status.lengthMs, 240000);
        }
        const std::regex skip("Skipping the song \\[");
        const auto skipped = std::distance(std::sregex_iterator(err.begin(), err.end(), skip),
                                           std::sregex_iterator());
        EXPECT_EQ(skipped, c.skipped < 0 ? std::max(skipped, 1L) : c.skipped) << err;
        EXPECT_EQ(err.find("the music stops") != std::string::npos, !c.playing) << err;
        EXPECT_EQ(h.stream.openCount, c.opened)
            << "FIFOs, devices, folders and missing files are never opened";
    }
}

TEST(JukeboxTest, WithoutPlaylistOrOutputEverythingIsIgnored)
{
    // Songs in the playlist, whether PlaylistFilename is set, an audio output, ready.
    for (auto [songs, named, output, ready] :
         {std::tuple{Names{"a"}, false, true, false}, {Names{"a"}, true, false, false},
          {Names{}, true, true, true}}) {
        Harness h(songs, false);
        h.run("P");  // before the output is set up
        EXPECT_FALSE(h.jukebox.status().active || h.jukebox.isMusicPlaying());
        if (!named) h.settings.PlaylistFilename.clear();
        h.jukebox.init(output ? &h.stream : nullptr);
        h.run("PnpzS");
        EXPECT_EQ(h.jukebox.status().active, ready);
        EXPECT_FALSE(h.jukebox.isMusicPlaying() || h.jukebox.currentSongInfo());
        EXPECT_TRUE(h.events.empty() && h.stream.openCount == 0);
    }
}

TEST(JukeboxTest, StatusPauseAndShutdown)
{
    Harness h({"01 - Intro.mp3", "b.ogg"});
    h.tags.fields["b.ogg"] = {"  Title B ", {}, {}, "Band"};
    h.run("Pz");
    MusicStatus status = h.jukebox.status();
    EXPECT_EQ(status.title, "01 - Intro");
    EXPECT_EQ(status.positionMs, 185900);
    EXPECT_TRUE(status.paused);
    h.run("n");
    status = h.jukebox.status();
    EXPECT_FALSE(status.paused) << "a new song starts unpaused";
    EXPECT_EQ(status.title + "/" + status.artist, "Title B/Band");
    h.run("zZS");
    EXPECT_EQ(h.stream.started, (Names{"01 - Intro.mp3", "b.ogg"})) << "a resume goes on";
    EXPECT_EQ(h.jukebox.playlist()[1].title, "Title B") << "tags stay with the song";
    EXPECT_EQ(h.stream.pauses, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(h.takeEvents(),
              (Names{"started", "paused", "stopped", "started", "paused", "resumed", "stopped"}));

    // A stream that is not ready is left open by Stop; it shows no time, and its late end
    // changes nothing.
    h.stream.neverReady = true;
    h.run("PS");
    EXPECT_EQ(h.stream.openPath, "b.ogg");
    EXPECT_EQ(h.jukebox.songTimeMs() + h.jukebox.songLengthMs(), 0) << "stopped: no time shown";
    h.run("fhP");
    EXPECT_EQ(h.takeEvents(), (Names{"started", "stopped", "started"}));
    h.jukebox.shutdown();
    EXPECT_TRUE(h.events.empty()) << "hooks are cleared first";
    EXPECT_EQ(h.stream.openPath, "") << "shutdown closes even what Stop would leave";
}

// The audio thread reports a song's end while the GUI thread is inside a command with the
// jukebox's lock held (the fake stream hands over to it from inside close() and setPaused()).
// The report must not wait for the jukebox's lock (that would deadlock with the audio
// library's own lock), and once handled it must not act on a stream the command replaced.
TEST(JukeboxTest, EndReportsDuringCommandsAreSafe)
{
    Harness h({"a", "b", "c", "d"});
    h.run("P");
    // Each report comes from a thread of its own (standing in for the audio library's), which the
    // command waits for within a generous limit.
    std::vector<std::future<void>> reports;
    bool handedOver = true;
    h.stream.duringCall = [&] {
        reports.push_back(std::async(std::launch::async, [&] { h.stream.finish(); }));
        handedOver = handedOver && reports.back().wait_for(20s) == std::future_status::ready;
    };
    struct Step {
        const char* command;  // see Harness::run
        int reports;          // end reports made during the command
        Names started;
        bool playing;
    };
    const Step steps[] = {
        {"n", 1, {"a", "b"}, true},
        {"p", 1, {"a", "b", "a"}, true},
        // Paused for a game: the next song is chosen and waits for the resume.
        {"z", 1, {"a", "b", "a"}, true},
        {"Z", 0, {"a", "b", "a", "b"}, true},
        {"S", 1, {"a", "b", "a", "b"}, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        h.run(step.command);
        EXPECT_EQ(h.posts.exchange(0), step.reports);
        h.run("h");
        EXPECT_EQ(h.stream.started, step.started);
        EXPECT_EQ(h.jukebox.isMusicPlaying(), step.playing);
    }
    h.stream.duringCall = nullptr;  // the reports end before the harness
    EXPECT_TRUE(handedOver) << "an end report waited for the GUI thread";
}

}  // namespace
