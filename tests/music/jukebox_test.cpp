#include "music/jukebox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "music/fake_music_stream.h"
#include "music/music_test_files.h"

namespace {

class FakeTagReader final : public TagReader {
public:
    TagFields read(const std::string& path) override
    {
        std::lock_guard lock(mutex);
        ++reads[path];
        auto found = fields.find(path);
        return found == fields.end() ? TagFields{} : found->second;
    }
    std::mutex mutex;
    std::map<std::string, TagFields> fields;
    std::map<std::string, int> reads;
};

// One jukebox over a fake stream, with a playlist of the given names and a log of its hooks.
struct Harness {
    explicit Harness(const std::vector<std::string>& songs, bool writePlaylist = true)
    {
        std::string text;
        for (const auto& song : songs) {
            text += song + "\n";
        }
        settings.PlaylistFilename = dir.file("playlist.txt");
        if (writePlaylist) {
            writeBytes(settings.PlaylistFilename, text);
        }
        // Every hook asks the jukebox something, as the real repaint does: this must not
        // deadlock.
        jukebox.setOnSongEnded([this] { log("ended"); });
        jukebox.setOnMusicStarted([this] { log("started"); });
        jukebox.setOnMusicStopped([this] { log("stopped"); });
        jukebox.setOnMusicPaused([this](bool paused) { log(paused ? "paused" : "resumed"); });
    }

    void log(const std::string& event)
    {
        (void)jukebox.status();
        events.push_back(event);
    }

    // The stream plays to its end, and the GUI thread handles the posted event.
    void songEnds()
    {
        ASSERT_TRUE(stream.finish());
        ASSERT_GT(posts.load(), 0);
        jukebox.handleSongEnded();
    }

    std::vector<std::string> takeEvents() { return std::exchange(events, {}); }

    TempDir dir;
    LauncherSettings settings;
    FakeTagReader tags;
    FakeMusicStream stream;
    std::atomic<int> posts{0};
    Jukebox jukebox{settings, tags, [this] { ++posts; }, 12345};
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST(JukeboxTest, EndOfSongRules)
{
    struct Case {
        const char* name;
        int repeatSong;
        int random;
        int repeatPlaylist;
        int songCount;
        int startIndex;
        const char* nextPlayed;  // nullptr: the music stops
        Events events;
    };
    const Case cases[] = {
        {"repeat song", 1, 0, 1, 3, 1, "s1", {}},
        {"repeat song beats random", 1, 1, 1, 3, 2, "s2", {}},
        {"sequential middle", 0, 0, 0, 3, 1, "s2", {"ended"}},
        {"sequential last wraps", 0, 0, 1, 3, 2, "s0", {"ended"}},
        {"sequential last stops", 0, 0, 0, 3, 2, nullptr, {"stopped"}},
        {"random single song", 0, 1, 0, 1, 0, "s0", {"ended"}},
        {"one song repeat playlist", 0, 0, 1, 1, 0, "s0", {"ended"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> names;
        for (int i = 0; i < c.songCount; ++i) {
            names.push_back("s" + std::to_string(i));
        }
        Harness h(names);
        h.jukebox.init(&h.stream);
        for (int i = 0; i < c.startIndex; ++i) {
            h.jukebox.nextSong();
        }
        h.settings.MusicRepeatSong = c.repeatSong;
        h.settings.MusicRandomPlay = c.random;
        h.settings.MusicRepeatPlaylist = c.repeatPlaylist;
        h.jukebox.playMusic();
        h.takeEvents();
        h.stream.started.clear();
        h.songEnds();
        EXPECT_EQ(h.takeEvents(), c.events);
        if (c.nextPlayed != nullptr) {
            EXPECT_EQ(h.stream.started, std::vector<std::string>{c.nextPlayed});
            EXPECT_TRUE(h.jukebox.isMusicPlaying());
        } else {
            EXPECT_TRUE(h.stream.started.empty());
            EXPECT_FALSE(h.jukebox.isMusicPlaying());
            EXPECT_EQ(h.stream.openPath(), "");
            // Play starts the last song again.
            h.jukebox.playMusic();
            EXPECT_EQ(h.stream.started, std::vector<std::string>{"s" + std::to_string(c.startIndex)});
        }
    }
}

TEST(JukeboxTest, NextAndPreviousWrapRoundAndRestartWhilePlaying)
{
    Harness three({"a", "b", "c"});
    three.jukebox.init(&three.stream);
    three.jukebox.previousSong();
    EXPECT_EQ(three.jukebox.currentIndex(), 2u);
    three.jukebox.nextSong();
    EXPECT_EQ(three.jukebox.currentIndex(), 0u);
    EXPECT_TRUE(three.events.empty()) << "moving while stopped calls no hook";
    EXPECT_EQ(three.stream.openCount, 0) << "moving while stopped opens nothing";

    three.jukebox.playMusic();
    three.jukebox.nextSong();
    three.jukebox.nextSong();
    three.jukebox.nextSong();
    three.jukebox.previousSong();
    EXPECT_EQ(three.stream.started, (std::vector<std::string>{"a", "b", "c", "a", "c"}));
    EXPECT_EQ(three.takeEvents(), (Events{"started", "stopped", "started", "stopped", "started",
                                          "stopped", "started", "stopped", "started"}));

    Harness one({"only"});
    one.jukebox.init(&one.stream);
    one.jukebox.nextSong();
    one.jukebox.previousSong();
    EXPECT_EQ(one.jukebox.currentIndex(), 0u);
    one.jukebox.playMusic();
    one.jukebox.nextSong();
    one.jukebox.previousSong();
    EXPECT_EQ(one.stream.started, (std::vector<std::string>{"only", "only", "only"}));
    EXPECT_EQ(one.takeEvents(),
              (Events{"started", "stopped", "started", "stopped", "started"}));
}

TEST(JukeboxTest, CommandsThatChangeNothingCallNoHook)
{
    Harness h({"a", "b"});
    h.jukebox.init(&h.stream);
    h.jukebox.stopMusic();
    h.jukebox.pauseMusic(true);
    h.jukebox.pauseMusic(false);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.stream.pauseCalls, 0);

    h.jukebox.playMusic();
    h.jukebox.playMusic();  // already playing
    EXPECT_EQ(h.stream.started.size(), 1u);
    h.jukebox.stopMusic();
    h.jukebox.stopMusic();
    EXPECT_EQ(h.takeEvents(), (Events{"started", "stopped"}));
    EXPECT_EQ(h.jukebox.currentIndex(), 0u) << "stopping keeps the current song";
}

TEST(JukeboxTest, BrokenSongsCountAsPlayingAndCanBeSkipped)
{
    Harness h({"missing.mp3", "silent.mp3", "good.mp3"});
    h.stream.unopenable = {"missing.mp3"};
    h.stream.unstartable = {"silent.mp3"};
    h.stream.length = 5000;
    h.stream.position = 1000;
    h.tags.fields["silent.mp3"].id3v2Title = "Never read";
    h.jukebox.init(&h.stream);

    h.jukebox.playMusic();
    EXPECT_TRUE(h.jukebox.isMusicPlaying());
    EXPECT_EQ(h.jukebox.songTimeMs(), 0);
    EXPECT_EQ(h.jukebox.songLengthMs(), 0);
    EXPECT_FALSE(h.jukebox.isMusicPaused());
    MusicStatus status = h.jukebox.status();
    EXPECT_TRUE(status.playing);
    EXPECT_EQ(status.title, "missing");
    EXPECT_EQ(status.artist, "Unknown");
    EXPECT_TRUE(h.events.empty()) << "no started hook without a stream";
    EXPECT_FALSE(h.stream.finish()) << "no end report can come";

    h.jukebox.nextSong();  // stop (hook) and try the following entry
    EXPECT_TRUE(h.jukebox.isMusicPlaying());
    EXPECT_EQ(h.stream.openPath(), "silent.mp3");
    EXPECT_EQ(h.tags.reads["silent.mp3"], 0) << "tags are read only once a song plays";
    EXPECT_FALSE(h.jukebox.currentSongInfo()->title.has_value());
    EXPECT_EQ(h.jukebox.songLengthMs(), 5000) << "an open stream still answers";

    h.jukebox.nextSong();
    EXPECT_EQ(h.stream.started, std::vector<std::string>{"good.mp3"});
    EXPECT_EQ(h.takeEvents(), (Events{"stopped", "stopped", "started"}));

    h.jukebox.stopMusic();
    EXPECT_FALSE(h.jukebox.isMusicPlaying());
    EXPECT_EQ(h.jukebox.status().title, "");
}

TEST(JukeboxTest, StreamThatIsNotReadyIsLeftOpenAndItsLateEndIgnored)
{
    Harness h({"a", "b"});
    h.stream.neverReady = true;
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    h.jukebox.stopMusic();
    EXPECT_EQ(h.stream.openPath(), "a") << "stop closes only a ready stream";
    EXPECT_EQ(h.takeEvents(), (Events{"started", "stopped"}));
    h.stream.finish();
    h.jukebox.handleSongEnded();
    EXPECT_FALSE(h.jukebox.isMusicPlaying());
    EXPECT_TRUE(h.events.empty());
}

TEST(JukeboxTest, EndReportForAStreamAlreadyReplacedIsIgnored)
{
    Harness h({"a", "b", "c"});
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    ASSERT_TRUE(h.stream.finish());  // "a" ends on the audio thread...
    h.jukebox.nextSong();            // ...while the player presses Next
    h.jukebox.handleSongEnded();     // the posted event arrives late
    EXPECT_EQ(h.stream.started, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(h.jukebox.currentIndex(), 1u);
    EXPECT_EQ(h.takeEvents(), (Events{"started", "stopped", "started"}));

    h.jukebox.handleSongEnded();  // a spurious wake-up with nothing recorded
    EXPECT_EQ(h.jukebox.currentIndex(), 1u);
}

TEST(JukeboxTest, WithoutPlaylistOrOutputEverythingIsIgnored)
{
    struct Case {
        const char* name;
        bool writePlaylist;
        bool emptyName;
        bool withStream;
        bool playlistLoaded;
    };
    const Case cases[] = {
        {"no playlist setting", true, true, true, false},
        {"playlist file missing", false, false, true, false},
        {"no audio output", true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h({"a", "b"}, c.writePlaylist);
        if (c.emptyName) {
            h.settings.PlaylistFilename.clear();
        }
        h.jukebox.init(c.withStream ? &h.stream : nullptr);
        h.jukebox.playMusic();
        h.jukebox.nextSong();
        h.jukebox.previousSong();
        h.jukebox.pauseMusic(true);
        h.jukebox.stopMusic();
        EXPECT_FALSE(h.jukebox.isJukeboxReady());
        EXPECT_FALSE(h.jukebox.isMusicPlaying());
        EXPECT_FALSE(h.jukebox.currentSongInfo().has_value());
        EXPECT_FALSE(h.jukebox.status().active);
        EXPECT_FALSE(h.jukebox.pauseForGame());
        EXPECT_TRUE(h.events.empty());
        EXPECT_EQ(h.stream.openCount, 0);
        EXPECT_EQ(h.jukebox.playlist().size(), c.playlistLoaded ? 2u : 0u);
    }
}

TEST(JukeboxTest, EmptyPlaylistPlaysNothing)
{
    Harness h({});
    h.jukebox.init(&h.stream);
    EXPECT_TRUE(h.jukebox.isJukeboxReady());
    h.jukebox.playMusic();
    h.jukebox.nextSong();
    h.jukebox.previousSong();
    EXPECT_EQ(h.stream.openCount, 0);
    EXPECT_FALSE(h.jukebox.isMusicPlaying());
    EXPECT_FALSE(h.jukebox.currentIndex().has_value());
    EXPECT_EQ(h.jukebox.status().title, "");
}

TEST(JukeboxTest, RandRangeCoversBothBoundsEvenly)
{
    Harness h({"a"});
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(h.jukebox.randRange(0, 0), 0);
        ASSERT_EQ(h.jukebox.randRange(0, -1), 0) << "an empty range picks no position";
    }
    std::map<int, int> counts;
    const int draws = 10000;
    for (int i = 0; i < draws; ++i) {
        int value = h.jukebox.randRange(0, 1);
        ASSERT_TRUE(value == 0 || value == 1);
        ++counts[value];
    }
    EXPECT_NEAR(counts[0], draws / 2, draws / 20);
    counts.clear();
    for (int i = 0; i < draws; ++i) {
        int value = h.jukebox.randRange(-3, 6);
        ASSERT_GE(value, -3);
        ASSERT_LE(value, 6);
        ++counts[value];
    }
    ASSERT_EQ(counts.size(), 10u);
    for (auto [value, count] : counts) {
        EXPECT_NEAR(count, draws / 10, draws / 25) << value;
    }
    // The whole range of a large playlist is reachable, not just the first 32768 values.
    std::set<bool> high;
    for (int i = 0; i < 2000; ++i) {
        high.insert(h.jukebox.randRange(0, 1'000'000) > 500'000);
    }
    EXPECT_EQ(high.size(), 2u);
}

TEST(JukeboxTest, RandomPlayWithTwoSongsPlaysBoth)
{
    Harness h({"a", "b"});
    h.settings.MusicRandomPlay = 1;
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    for (int i = 0; i < 40; ++i) {
        h.songEnds();
    }
    std::set<std::string> played(h.stream.started.begin(), h.stream.started.end());
    EXPECT_EQ(played, (std::set<std::string>{"a", "b"}));

    // The first song of a random run is itself random: different seeds start differently.
    std::set<std::size_t> firsts;
    for (uint32_t seed = 0; seed < 40; ++seed) {
        LauncherSettings settings = h.settings;
        FakeTagReader tags;
        Jukebox jukebox(settings, tags, {}, seed);
        jukebox.init(&h.stream);
        firsts.insert(*jukebox.currentIndex());
    }
    EXPECT_EQ(firsts.size(), 2u);
}

TEST(JukeboxTest, StatusReflectsPlayingPausedAndStopped)
{
    Harness h({"music/01 - Intro.mp3", "b.ogg"});
    h.tags.fields["b.ogg"].id3v2Title = "  Title B ";
    h.tags.fields["b.ogg"].id3v1Artist = "Band";
    h.stream.length = 240000;
    h.stream.position = 185900;
    h.jukebox.init(&h.stream);

    MusicStatus stopped = h.jukebox.status();
    EXPECT_TRUE(stopped.active);
    EXPECT_FALSE(stopped.playing);

    h.jukebox.playMusic();
    MusicStatus playing = h.jukebox.status();
    EXPECT_TRUE(playing.playing);
    EXPECT_FALSE(playing.paused);
    EXPECT_EQ(playing.title, "01 - Intro");
    EXPECT_EQ(playing.artist, "Unknown");
    EXPECT_EQ(playing.lengthMs, 240000);
    EXPECT_EQ(playing.positionMs, 185900);

    h.jukebox.pauseMusic(true);
    MusicStatus paused = h.jukebox.status();
    EXPECT_TRUE(paused.paused);
    EXPECT_EQ(paused.title, "01 - Intro");
    EXPECT_TRUE(h.stream.paused());

    h.jukebox.nextSong();
    MusicStatus next = h.jukebox.status();
    EXPECT_FALSE(next.paused) << "a new song starts unpaused";
    EXPECT_EQ(next.title, "Title B");
    EXPECT_EQ(next.artist, "Band");
    EXPECT_EQ(h.takeEvents(), (Events{"started", "paused", "stopped", "started"}));
}

TEST(JukeboxTest, TagsFoundOnceAreNotReadAgain)
{
    Harness h({"tagged.mp3", "plain.mp3"});
    h.tags.fields["tagged.mp3"].id3v1Title = "Tagged";
    h.jukebox.init(&h.stream);
    for (int i = 0; i < 3; ++i) {
        h.jukebox.playMusic();
        h.jukebox.nextSong();
        h.jukebox.nextSong();
        h.jukebox.stopMusic();
    }
    EXPECT_EQ(h.tags.reads["tagged.mp3"], 1);
    EXPECT_EQ(h.tags.reads["plain.mp3"], 3) << "a song without tags is looked up each time";
    EXPECT_EQ(h.jukebox.playlist()[0].title, "Tagged");
}

TEST(JukeboxTest, PauseAroundGameLaunch)
{
    struct Case {
        int stopDuringGame;
        bool playing;
        bool pauses;
    };
    for (Case c : {Case{1, true, true}, Case{1, false, false}, Case{0, true, false}}) {
        SCOPED_TRACE(c.stopDuringGame * 10 + c.playing);
        Harness h({"a"});
        h.settings.MusicStopDuringGame = c.stopDuringGame;
        h.jukebox.init(&h.stream);
        if (c.playing) {
            h.jukebox.playMusic();
        }
        h.takeEvents();
        EXPECT_EQ(h.jukebox.pauseForGame(), c.pauses);
        EXPECT_EQ(h.stream.paused(), c.pauses);
        h.jukebox.resumeAfterGame();
        EXPECT_FALSE(h.stream.paused());
        EXPECT_EQ(h.stream.pauseCalls, c.pauses ? 2 : 0);
        EXPECT_EQ(h.takeEvents(), c.pauses ? (Events{"paused", "resumed"}) : Events{});
        h.jukebox.resumeAfterGame();
        EXPECT_EQ(h.stream.pauseCalls, c.pauses ? 2 : 0) << "resumes only once";
    }
}

TEST(JukeboxTest, ShutdownClearsHooksAndClosesTheStream)
{
    Harness h({"a"});
    h.stream.neverReady = true;
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    h.takeEvents();
    h.jukebox.shutdown();
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.stream.openPath(), "") << "shutdown closes even a stream stop left open";
    EXPECT_FALSE(h.jukebox.isJukeboxReady());
    h.jukebox.playMusic();
    EXPECT_EQ(h.stream.started.size(), 1u);
}

// The audio thread reports song ends while the GUI thread runs commands, queries and the end
// handling. Run under the sanitizers: any unguarded access or lock-order problem shows there.
TEST(JukeboxTest, EndReportsRaceWithCommandsSafely)
{
    Harness h({"a", "b", "c", "d"});
    h.settings.MusicRepeatPlaylist = 1;
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();

    std::atomic<bool> done{false};
    std::atomic<int> finished{0};
    std::thread audio([&] {
        while (!done) {
            if (h.stream.finish()) {
                ++finished;
            }
            std::this_thread::yield();
        }
    });
    std::thread reader([&] {
        while (!done) {
            MusicStatus status = h.jukebox.status();
            if (status.playing) {
                EXPECT_FALSE(status.title.empty());
            }
            (void)h.jukebox.currentSongInfo();
        }
    });
    std::mt19937 random(7);
    int handled = 0;
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
        default: (void)h.jukebox.status(); break;
        }
    }
    done = true;
    audio.join();
    reader.join();
    EXPECT_GT(finished.load(), 0);
    EXPECT_GT(handled, 0);
    if (h.jukebox.isMusicPlaying()) {
        EXPECT_LT(*h.jukebox.currentIndex(), 4u);
    }
}

}  // namespace
