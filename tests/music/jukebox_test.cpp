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

using Names = std::vector<std::string>;

class FakeTagReader final : public TagReader {
public:
    TagFields read(const std::string& path) override
    {
        auto found = fields.find(path);
        return found == fields.end() ? TagFields{} : found->second;
    }
    std::map<std::string, TagFields> fields;
};

// One jukebox over a fake stream with a playlist of `songs`, logging its hooks.
struct Harness {
    explicit Harness(const Names& songs, bool writePlaylist = true)
    {
        std::string text;
        for (const auto& song : songs) {
            text += song + "\n";
        }
        settings.PlaylistFilename = dir.file("playlist.txt");
        if (writePlaylist) {
            writeBytes(settings.PlaylistFilename, text);
        }
        // Each hook queries the jukebox, as the real repaint does: this must not deadlock.
        auto log = [this](const char* event) {
            (void)jukebox.status();
            events.push_back(event);
        };
        jukebox.setOnSongEnded([log] { log("ended"); });
        jukebox.setOnMusicStarted([log] { log("started"); });
        jukebox.setOnMusicStopped([log] { log("stopped"); });
        jukebox.setOnMusicPaused([log](bool paused) { log(paused ? "paused" : "resumed"); });
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
    FakeTagReader tags;
    FakeMusicStream stream;
    std::atomic<int> posts{0};
    Jukebox jukebox{settings, tags, [this] { ++posts; }, 12345};
    Names events;
};

TEST(JukeboxTest, EndOfSongRules)
{
    struct Case {
        const char* name;
        int repeatSong, random, repeatPlaylist, songCount, startIndex;
        const char* nextPlayed;  // nullptr: the music stops
        Names events;
    };
    const Case cases[] = {
        {"repeat song", 1, 0, 1, 3, 1, "s1", {}},
        {"repeat song beats random", 1, 1, 1, 3, 2, "s2", {}},
        {"sequential middle", 0, 0, 0, 3, 1, "s2", {"ended"}},
        {"sequential last wraps", 0, 0, 1, 3, 2, "s0", {"ended"}},
        {"sequential last stops", 0, 0, 0, 3, 2, nullptr, {"stopped"}},
        {"random single song", 0, 1, 0, 1, 0, "s0", {"ended"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Names names;
        for (int i = 0; i < c.songCount; ++i) {
            names.push_back("s" + std::to_string(i));
        }
        Harness h(names);
        h.jukebox.init(&h.stream);
        for (int i = 0; i < c.startIndex; ++i) {
            h.jukebox.nextSong();
        }
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
        if (c.nextPlayed != nullptr) {
            EXPECT_EQ(h.stream.started, Names{c.nextPlayed});
        } else {
            EXPECT_TRUE(h.stream.started.empty());
            EXPECT_EQ(h.stream.openPath, "");
            h.jukebox.playMusic();  // starts the last song again
            EXPECT_EQ(h.stream.started, Names{"s" + std::to_string(c.startIndex)});
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
    EXPECT_EQ(three.stream.openCount, 0) << "and plays nothing";
    three.jukebox.playMusic();
    three.jukebox.nextSong();
    three.jukebox.nextSong();
    three.jukebox.nextSong();
    three.jukebox.previousSong();
    EXPECT_EQ(three.stream.started, (Names{"a", "b", "c", "a", "c"}));

    Harness one({"only"});
    one.jukebox.init(&one.stream);
    one.jukebox.nextSong();
    one.jukebox.previousSong();
    one.jukebox.playMusic();
    one.jukebox.nextSong();
    one.jukebox.previousSong();
    EXPECT_EQ(one.stream.started, (Names{"only", "only", "only"}));
    EXPECT_EQ(one.takeEvents(), (Names{"started", "stopped", "started", "stopped", "started"}));
}

TEST(JukeboxTest, CommandsThatChangeNothingCallNoHook)
{
    Harness h({"a", "b"});
    h.jukebox.init(&h.stream);
    h.jukebox.stopMusic();
    h.jukebox.pauseMusic(true);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.stream.pauseCalls, 0);
    h.jukebox.playMusic();
    h.jukebox.playMusic();
    h.jukebox.stopMusic();
    h.jukebox.stopMusic();
    EXPECT_EQ(h.stream.started.size(), 1u);
    EXPECT_EQ(h.takeEvents(), (Names{"started", "stopped"}));
    EXPECT_EQ(h.jukebox.currentIndex(), 0u) << "stopping keeps the current song";
}

TEST(JukeboxTest, BrokenSongsCountAsPlayingAndCanBeSkipped)
{
    Harness h({"missing.mp3", "silent.mp3", "good.mp3"});
    h.stream.unopenable = {"missing.mp3"};
    h.stream.unstartable = {"silent.mp3"};
    h.stream.length = 5000;
    h.tags.fields["silent.mp3"].id3v2Title = "Never read";
    h.jukebox.init(&h.stream);

    h.jukebox.playMusic();
    MusicStatus status = h.jukebox.status();
    EXPECT_TRUE(status.playing);
    EXPECT_EQ(status.title, "missing");
    EXPECT_EQ(status.artist, "Unknown");
    EXPECT_EQ(h.jukebox.songTimeMs(), 0);
    EXPECT_EQ(h.jukebox.songLengthMs(), 0);
    EXPECT_FALSE(h.stream.finish()) << "no end report can come";

    h.jukebox.nextSong();
    EXPECT_TRUE(h.jukebox.isMusicPlaying());
    EXPECT_FALSE(h.jukebox.currentSongInfo()->title) << "a silent stream's tags are not read";
    EXPECT_EQ(h.jukebox.songLengthMs(), 5000) << "an open stream still answers";

    h.jukebox.nextSong();
    EXPECT_EQ(h.stream.started, Names{"good.mp3"});
    EXPECT_EQ(h.takeEvents(), (Names{"stopped", "stopped", "started"}));
}

TEST(JukeboxTest, LateOrStrayEndReportsAreIgnored)
{
    Harness h({"a", "b", "c"});
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    ASSERT_TRUE(h.stream.finish());  // "a" ends on the audio thread...
    h.jukebox.nextSong();            // ...while the player presses Next;
    h.jukebox.handleSongEnded();     // the posted event arrives late.
    h.jukebox.handleSongEnded();     // A spurious wake-up with nothing recorded.
    EXPECT_EQ(h.stream.started, (Names{"a", "b"}));
    EXPECT_EQ(h.takeEvents(), (Names{"started", "stopped", "started"}));

    // A stream that does not report itself ready is left open by Stop; its end changes
    // nothing.
    h.stream.neverReady = true;
    h.jukebox.stopMusic();
    EXPECT_EQ(h.stream.openPath, "b");
    h.stream.finish();
    h.jukebox.handleSongEnded();
    EXPECT_FALSE(h.jukebox.isMusicPlaying());
    EXPECT_EQ(h.takeEvents(), Names{"stopped"});
}

TEST(JukeboxTest, WithoutPlaylistOrOutputEverythingIsIgnored)
{
    struct Case {
        const char* name;
        Names songs;
        bool writePlaylist, emptyName, withStream, ready;
    };
    const Case cases[] = {
        {"no playlist setting", {"a"}, true, true, true, false},
        {"playlist file missing", {"a"}, false, false, true, false},
        {"no audio output", {"a"}, true, false, false, false},
        {"empty playlist", {}, true, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h(c.songs, c.writePlaylist);
        if (c.emptyName) {
            h.settings.PlaylistFilename.clear();
        }
        h.jukebox.init(c.withStream ? &h.stream : nullptr);
        h.jukebox.playMusic();
        h.jukebox.nextSong();
        h.jukebox.previousSong();
        h.jukebox.pauseMusic(true);
        h.jukebox.stopMusic();
        EXPECT_EQ(h.jukebox.isJukeboxReady(), c.ready);
        EXPECT_EQ(h.jukebox.status().active, c.ready);
        EXPECT_FALSE(h.jukebox.isMusicPlaying());
        EXPECT_FALSE(h.jukebox.currentSongInfo());
        EXPECT_FALSE(h.jukebox.pauseForGame());
        EXPECT_TRUE(h.events.empty());
        EXPECT_EQ(h.stream.openCount, 0);
    }
}

TEST(JukeboxTest, RandomChoicesCoverTheWholeRange)
{
    Harness h({"a", "b"});
    std::map<int, int> counts;
    const int draws = 10000;
    for (int i = 0; i < draws; ++i) {
        ASSERT_EQ(h.jukebox.randRange(0, 0), 0);
        ASSERT_EQ(h.jukebox.randRange(0, -1), 0) << "an empty range picks no position";
        ++counts[h.jukebox.randRange(-3, 6)];
    }
    ASSERT_EQ(counts.size(), 10u);
    EXPECT_EQ(counts.begin()->first, -3);
    EXPECT_EQ(counts.rbegin()->first, 6);
    for (auto [value, count] : counts) {
        EXPECT_NEAR(count, draws / 10, draws / 25) << value;
    }

    h.settings.MusicRandomPlay = 1;
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    for (int i = 0; i < 40; ++i) {
        h.songEnds();
    }
    EXPECT_EQ(std::set<std::string>(h.stream.started.begin(), h.stream.started.end()),
              (std::set<std::string>{"a", "b"}));
}

TEST(JukeboxTest, StatusReflectsPlayingPausedAndStopped)
{
    Harness h({"music/01 - Intro.mp3", "b.ogg"});
    h.tags.fields["b.ogg"].id3v2Title = "  Title B ";
    h.tags.fields["b.ogg"].id3v1Artist = "Band";
    h.stream.length = 240000;
    h.stream.position = 185900;
    h.jukebox.init(&h.stream);
    EXPECT_FALSE(h.jukebox.status().playing);

    h.jukebox.playMusic();
    MusicStatus playing = h.jukebox.status();
    EXPECT_FALSE(playing.paused);
    EXPECT_EQ(playing.title, "01 - Intro");
    EXPECT_EQ(playing.lengthMs, 240000);
    EXPECT_EQ(playing.positionMs, 185900);

    h.jukebox.pauseMusic(true);
    EXPECT_TRUE(h.jukebox.status().paused);
    EXPECT_EQ(h.jukebox.status().title, "01 - Intro");
    h.jukebox.nextSong();
    MusicStatus next = h.jukebox.status();
    EXPECT_FALSE(next.paused) << "a new song starts unpaused";
    EXPECT_EQ(next.title, "Title B");
    EXPECT_EQ(next.artist, "Band");
    h.jukebox.stopMusic();
    EXPECT_EQ(h.jukebox.playlist()[1].title, "Title B") << "tags stay with the song";
    EXPECT_EQ(h.takeEvents(), (Names{"started", "paused", "stopped", "started", "stopped"}));
}

TEST(JukeboxTest, PauseAroundGameLaunchAndShutdown)
{
    struct Case {
        int stopDuringGame;
        bool playing, pauses;
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
        EXPECT_EQ(h.stream.paused, c.pauses);
        h.jukebox.resumeAfterGame();
        h.jukebox.resumeAfterGame();
        EXPECT_FALSE(h.stream.paused);
        EXPECT_EQ(h.stream.pauseCalls, c.pauses ? 2 : 0);
        EXPECT_EQ(h.takeEvents(), c.pauses ? (Names{"paused", "resumed"}) : Names{});

        h.stream.neverReady = true;
        h.jukebox.shutdown();
        EXPECT_TRUE(h.events.empty()) << "hooks are cleared first";
        EXPECT_EQ(h.stream.openPath, "") << "shutdown closes even what Stop would leave";
    }
}

// The audio thread reports song ends while the GUI thread runs commands and end handling and
// a third thread queries. Meant for the sanitizer builds: an unguarded access or a lock-order
// problem shows there.
TEST(JukeboxTest, EndReportsRaceWithCommandsSafely)
{
    Harness h({"a", "b", "c", "d"});
    h.jukebox.init(&h.stream);
    h.jukebox.playMusic();
    std::atomic<bool> done{false};
    std::atomic<int> finished{0};
    std::thread audio([&] {
        while (!done) {
            finished += h.stream.finish() ? 1 : 0;
            std::this_thread::yield();
        }
    });
    std::thread reader([&] {
        while (!done) {
            MusicStatus status = h.jukebox.status();
            EXPECT_TRUE(!status.playing || !status.title.empty());
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
        default: break;
        }
    }
    done = true;
    audio.join();
    reader.join();
    EXPECT_GT(finished.load(), 0);
    EXPECT_GT(handled, 0);
}

}  // namespace
