#include "music/jukebox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "music/music_test_files.h"

namespace {

using Names = std::vector<std::string>;

// A stream that plays nothing: tests script its failures and end songs on demand.
struct FakeStream final : MusicStream {
    bool open(const std::string& path, EndHandler onEnd) override
    {
        std::lock_guard lock(mutex);
        ++openCount;
        openPath = path == unopenable ? "" : path;
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
        std::lock_guard lock(mutex);
        handler = nullptr;
        openPath.clear();
    }
    long lengthMs() const override { return openPath.empty() ? 0 : 240000; }
    long positionMs() const override { return openPath.empty() ? 0 : 185900; }
    void setPaused(bool value) override { pauses.push_back(value); }
    // Plays the open stream to its end on the calling thread, standing in for the audio thread.
    bool finish()
    {
        std::lock_guard lock(mutex);
        EndHandler ended = std::exchange(handler, nullptr);
        if (ended) ended();
        return static_cast<bool>(ended);
    }

    std::string unopenable, unstartable, openPath;
    bool neverReady = false;
    Names started;
    std::vector<bool> pauses;
    int openCount = 0;
    std::mutex mutex;
    EndHandler handler;
};

struct FakeTags final : TagReader {
    TagFields read(const std::string& path) override { return fields[path]; }
    std::map<std::string, TagFields> fields;
};

// A jukebox over the fake stream with a playlist of `songs`, logging its hooks.
struct Harness {
    explicit Harness(const Names& songs, bool initNow = true)
    {
        std::string text;
        for (const auto& song : songs) text += song + "\n";
        settings.PlaylistFilename = dir.file("playlist.txt");
        writeBytes(settings.PlaylistFilename, text);
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
    // The stream plays to its end and the GUI thread handles the posted event.
    void songEnds()
    {
        ASSERT_TRUE(stream.finish());
        ASSERT_GT(posts.exchange(0), 0);
        jukebox.handleSongEnded();
    }
    Names takeEvents() { return std::exchange(events, {}); }

    TempDir dir;
    LauncherSettings settings;
    FakeTags tags;
    FakeStream stream;
    std::atomic<int> posts{0};
    Jukebox jukebox{settings, tags, [this] { ++posts; }, 12345};
    Names events;
};

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
        SCOPED_TRACE(c.name);
        Harness h({"s0", "s1", "s2"});
        for (int i = 0; i < c.startIndex; ++i) h.jukebox.nextSong();
        // Settings are read at each decision, so changing them now counts.
        h.settings.MusicRepeatSong = c.repeatSong;
        h.settings.MusicRandomPlay = c.random;
        h.settings.MusicRepeatPlaylist = c.repeatPlaylist;
        h.jukebox.playMusic();
        h.takeEvents();
        h.stream.started.clear();
        h.songEnds();
        EXPECT_EQ(h.takeEvents(), c.events);
        EXPECT_EQ(h.jukebox.isMusicPlaying(), c.nextPlayed != nullptr);
        if (c.nextPlayed == nullptr) {
            EXPECT_EQ(h.stream.openPath, "");
            h.jukebox.playMusic();  // starts the last song again
        }
        EXPECT_EQ(h.stream.started, Names{c.nextPlayed ? c.nextPlayed : "s2"});
    }
}

TEST(JukeboxTest, NextAndPreviousWrapAndIdleCommandsCallNoHook)
{
    Harness h({"a", "b", "c"});
    h.jukebox.stopMusic();
    h.jukebox.pauseMusic(true);
    h.jukebox.previousSong();
    EXPECT_EQ(h.jukebox.currentIndex(), 2u);
    EXPECT_TRUE(h.events.empty()) << "stop, pause and moves while stopped call no hook";
    EXPECT_TRUE(h.stream.openCount == 0 && h.stream.pauses.empty()) << "nor the output";
    h.jukebox.playMusic();
    h.jukebox.playMusic();
    h.jukebox.nextSong();
    h.jukebox.previousSong();
    h.jukebox.stopMusic();
    h.jukebox.stopMusic();
    EXPECT_EQ(h.stream.started, (Names{"c", "a", "c"}));
    EXPECT_EQ(h.takeEvents().size(), 6u);
    EXPECT_EQ(h.jukebox.currentIndex(), 2u) << "stopping keeps the current song";

    Harness one({"only"});
    one.jukebox.playMusic();
    one.jukebox.nextSong();
    one.jukebox.previousSong();
    EXPECT_EQ(one.stream.started, (Names{"only", "only", "only"}));
}

TEST(JukeboxTest, BrokenSongsAndStaleEndReports)
{
    Harness h({"missing.mp3", "silent.mp3", "good.mp3", "last.mp3"});
    h.stream.unopenable = "missing.mp3";
    h.stream.unstartable = "silent.mp3";
    h.tags.fields["silent.mp3"].id3v2Title = "Never read";
    h.jukebox.playMusic();
    MusicStatus status = h.jukebox.status();
    EXPECT_TRUE(status.playing) << "a missing file counts as playing";
    EXPECT_EQ(status.title + "/" + status.artist, "missing/Unknown");
    EXPECT_EQ(h.jukebox.songTimeMs() + h.jukebox.songLengthMs(), 0);
    EXPECT_FALSE(h.stream.finish()) << "no end report can come";
    h.jukebox.nextSong();
    EXPECT_TRUE(h.jukebox.isMusicPlaying());
    EXPECT_FALSE(h.jukebox.currentSongInfo()->title) << "a silent stream's tags are not read";
    EXPECT_EQ(h.jukebox.songLengthMs(), 240000) << "an open stream still answers";
    h.jukebox.nextSong();
    EXPECT_EQ(h.stream.started, Names{"good.mp3"});

    ASSERT_TRUE(h.stream.finish());  // "good" ends on the audio thread while Next is pressed;
    h.jukebox.nextSong();
    h.jukebox.handleSongEnded();  // the late event, then a spurious wake-up, change nothing
    h.jukebox.handleSongEnded();
    EXPECT_EQ(h.stream.started, (Names{"good.mp3", "last.mp3"}));
    EXPECT_EQ(h.takeEvents(), (Names{"stopped", "stopped", "started", "stopped", "started"}));

    // Stop leaves open a stream that does not report itself ready; its end changes nothing.
    h.stream.neverReady = true;
    h.jukebox.stopMusic();
    EXPECT_EQ(h.stream.openPath, "last.mp3");
    h.stream.finish();
    h.jukebox.handleSongEnded();
    EXPECT_FALSE(h.jukebox.isMusicPlaying());
}

TEST(JukeboxTest, WithoutPlaylistOrOutputEverythingIsIgnored)
{
    // Songs in the playlist, whether PlaylistFilename is set, an audio output, ready.
    for (auto [songs, named, output, ready] :
         {std::tuple{Names{"a"}, false, true, false}, {Names{"a"}, true, false, false},
          {Names{}, true, true, true}}) {
        Harness h(songs, false);
        if (!named) h.settings.PlaylistFilename.clear();
        h.jukebox.init(output ? &h.stream : nullptr);
        h.jukebox.playMusic();
        h.jukebox.nextSong();
        h.jukebox.previousSong();
        h.jukebox.pauseMusic(true);
        h.jukebox.stopMusic();
        EXPECT_EQ(h.jukebox.status().active, ready);
        EXPECT_FALSE(h.jukebox.isMusicPlaying() || h.jukebox.currentSongInfo());
        EXPECT_TRUE(h.events.empty() && h.stream.openCount == 0);
    }
}

TEST(JukeboxTest, RandomPlayReachesEverySongAndAnEmptyRangeIsSafe)
{
    Harness h({"a", "b", "c"});
    EXPECT_EQ(h.jukebox.randRange(0, -1), 0) << "an empty range picks no position";
    h.settings.MusicRandomPlay = 1;
    h.jukebox.playMusic();
    for (int i = 0; i < 60; ++i) h.songEnds();
    EXPECT_EQ(std::set<std::string>(h.stream.started.begin(), h.stream.started.end()),
              (std::set<std::string>{"a", "b", "c"}));
}

TEST(JukeboxTest, StatusPauseAndShutdown)
{
    Harness h({"music/01 - Intro.mp3", "b.ogg"});
    h.tags.fields["b.ogg"] = {"  Title B ", {}, {}, "Band"};
    h.jukebox.playMusic();
    h.jukebox.pauseMusic(true);
    MusicStatus status = h.jukebox.status();
    EXPECT_EQ(status.title, "01 - Intro");
    EXPECT_EQ(status.lengthMs, 240000);
    EXPECT_EQ(status.positionMs, 185900);
    EXPECT_TRUE(status.paused);
    h.jukebox.nextSong();
    status = h.jukebox.status();
    EXPECT_FALSE(status.paused) << "a new song starts unpaused";
    EXPECT_EQ(status.title + "/" + status.artist, "Title B/Band");
    h.jukebox.stopMusic();
    EXPECT_EQ(h.jukebox.playlist()[1].title, "Title B") << "tags stay with the song";
    EXPECT_EQ(h.stream.pauses, std::vector<bool>{true});
    EXPECT_EQ(h.takeEvents(), (Names{"started", "paused", "stopped", "started", "stopped"}));

    h.jukebox.playMusic();
    h.takeEvents();
    h.stream.neverReady = true;
    h.jukebox.shutdown();
    EXPECT_TRUE(h.events.empty()) << "hooks are cleared first";
    EXPECT_EQ(h.stream.openPath, "") << "shutdown closes even what Stop would leave";
}

// The audio thread reports song ends while the GUI thread runs commands and end handling and
// a third thread queries; the sanitizer builds show an unguarded access or a lock-order fault.
TEST(JukeboxTest, EndReportsRaceWithCommandsSafely)
{
    Harness h({"a", "b", "c", "d"});
    h.jukebox.playMusic();
    std::atomic<bool> done{false};
    std::atomic<int> finished{0};
    int handled = 0;
    std::thread audio([&] {
        while (!done) finished += h.stream.finish() ? 1 : 0;
    });
    std::thread reader([&] {
        for (MusicStatus s; !done; s = h.jukebox.status()) {
            EXPECT_TRUE(!s.playing || !s.title.empty());
        }
    });
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        if (h.posts.exchange(0) > 0) {
            h.jukebox.handleSongEnded();
            ++handled;
        }
        switch (random() % 8) {
        case 0: h.jukebox.playMusic(); break;
        case 1: h.jukebox.stopMusic(); break;
        case 2: h.jukebox.nextSong(); break;
        case 3: h.jukebox.previousSong(); break;
        case 4: h.jukebox.pauseMusic(random() % 2 == 0); break;
        case 5: h.settings.MusicRandomPlay = static_cast<int>(random() % 2); break;
        default: break;  // let songs end
        }
    }
    done = true;
    audio.join();
    reader.join();
    EXPECT_GT(finished.load() * handled, 0);
}

}  // namespace
