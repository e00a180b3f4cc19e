// The SDL2_mixer output on SDL's dummy driver, which plays in real time without a sound card;
// the audio files are about 0.3 s long to keep these tests short.
#include "platform/sdl_audio.h"

#include <gtest/gtest.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "music/jukebox.h"
#include "music/music_test_files.h"
#include "platform/tag_reader_taglib.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Counts wake-ups posted from the audio thread, as the GUI event queue would.
class PostBox {
public:
    void post()
    {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    // Waits for a post and takes it; false after `timeout` without one.
    bool take(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return count_ > 0; })) {
            return false;
        }
        --count_;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

std::string fixture(const std::string& name)
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/fixtures/music/" + name;
}

class SdlAudioTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        audio_ = SdlAudio::create(&error);
        ASSERT_NE(audio_, nullptr) << error;
    }
    std::unique_ptr<SdlAudio> audio_;
    TempDir dir_;
};

TEST(SdlAudioOpenTest, FallsBackToTheDummyDriverAndIsSingle)
{
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string error;
    auto audio = SdlAudio::create(&error);
    saved ? ::setenv("SDL_AUDIODRIVER", saved->c_str(), 1) : ::unsetenv("SDL_AUDIODRIVER");
    ASSERT_NE(audio, nullptr) << error;
    EXPECT_TRUE(audio->silent());
    EXPECT_EQ(SdlAudio::create(&error), nullptr);
    EXPECT_FALSE(error.empty());
    audio.reset();
    EXPECT_NE(SdlAudio::create(), nullptr) << "the output can be opened again once closed";
}

TEST_F(SdlAudioTest, WaveSoundsPlayAsynchronouslyOrToTheirEnd)
{
    writeToneWav(dir_.file("beep.wav"), 300);
    writeBytes(dir_.file("text.wav"), "this is not a wave file");
    SoundPlayer& sounds = audio_->sounds();

    auto begin = Clock::now();
    EXPECT_TRUE(sounds.play(dir_.file("beep.wav"), SoundWait::UntilDone));
    EXPECT_GE(Clock::now() - begin, 250ms) << "a waited-for sound plays to its end";

    EXPECT_TRUE(sounds.play(dir_.file("beep.wav"), SoundWait::Async));
    EXPECT_TRUE(sounds.play(dir_.file("beep.wav"), SoundWait::Async)) << "replaces the first";
    sounds.stopAll();
    sounds.stopAll();

    for (const std::string& bad :
         {dir_.file("missing.wav"), dir_.file("text.wav"), dir_.path().string()}) {
        EXPECT_FALSE(sounds.play(bad, SoundWait::UntilDone)) << bad;
    }
}

TEST_F(SdlAudioTest, MusicStreamsReportLengthPositionAndOneEnd)
{
    writeToneWav(dir_.file("tone.wav"), 300);
    MusicStream& music = audio_->music();
    for (const std::string& path :
         {fixture("tone.mp3"), fixture("tone.ogg"), dir_.file("tone.wav")}) {
        SCOPED_TRACE(path);
        PostBox ends;
        ASSERT_TRUE(music.open(path, [&] { ends.post(); }));
        EXPECT_TRUE(music.ready());
        EXPECT_NEAR(music.lengthMs(), 300, 60);
        ASSERT_TRUE(music.start());
        EXPECT_TRUE(ends.take(5000ms)) << "the end is reported";
        EXPECT_FALSE(ends.take(300ms)) << "exactly once";
        music.close();
        EXPECT_FALSE(music.ready());
        EXPECT_EQ(music.lengthMs(), 0);
        EXPECT_EQ(music.positionMs(), 0);
    }

    // Paused, a stream does not end; closed or replaced before its end, it reports nothing.
    PostBox ends;
    ASSERT_TRUE(music.open(fixture("tone.ogg"), [&] { ends.post(); }));
    ASSERT_TRUE(music.start());
    std::this_thread::sleep_for(100ms);
    music.setPaused(true);
    EXPECT_GT(music.positionMs(), 0);
    EXPECT_FALSE(ends.take(600ms));
    music.setPaused(false);
    music.close();
    ASSERT_TRUE(music.open(fixture("tone.mp3"), [&] { ends.post(); }));
    music.close();
    EXPECT_FALSE(ends.take(600ms));
}

TEST_F(SdlAudioTest, BrokenMusicFilesFailOrEndWithoutHanging)
{
    const std::string mp3 = readBytes(fixture("tone.mp3"));
    std::string garbage;
    for (int i = 0; i < 8192; ++i) {
        garbage.push_back(static_cast<char>((i * 7 + i / 13) % 256));
    }
    writeBytes(dir_.file("truncated.mp3"), mp3.substr(0, mp3.size() / 3));
    writeBytes(dir_.file("half-frame.mp3"), mp3.substr(0, 40));
    writeBytes(dir_.file("garbage.mp3"), garbage);
    writeBytes(dir_.file("empty.ogg"), "");
    writeBytes(dir_.file("notes.txt"), "just text\n");
    std::filesystem::create_directory(dir_.file("folder.mp3"));
    MusicStream& music = audio_->music();
    for (const char* name : {"truncated.mp3", "half-frame.mp3", "garbage.mp3", "empty.ogg",
                             "notes.txt", "folder.mp3", "missing.mp3"}) {
        SCOPED_TRACE(name);
        PostBox ends;
        if (music.open(dir_.file(name), [&] { ends.post(); }) && music.start()) {
            EXPECT_TRUE(ends.take(5000ms)) << "a broken stream still ends";
        }
        music.close();
    }
}

// The jukebox over the real output: the end report crosses from the audio thread to this
// (GUI) thread, and the playlist plays through.
TEST_F(SdlAudioTest, JukeboxPlaysThePlaylistThrough)
{
    // A copy of the committed tone, tagged by TagLib's own writer.
    writeBytes(dir_.file("tagged.mp3"), readBytes(fixture("tone.mp3")));
    {
        TagLib::MPEG::File file(dir_.file("tagged.mp3").c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setTitle(" Tone Title ");
        tag->setArtist("Tone Artist");
        ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2));
    }
    writeBytes(dir_.file("list.txt"),
               dir_.file("tagged.mp3") + "\n" + dir_.file("missing.mp3") + "\n" +
                   fixture("tone.ogg") + "\n");

    LauncherSettings settings;
    settings.PlaylistFilename = dir_.file("list.txt");
    settings.MusicRepeatPlaylist = 0;
    TagLibTagReader tags;
    PostBox posts;
    Jukebox jukebox(settings, tags, [&] { posts.post(); }, 1);
    std::vector<std::string> events;
    jukebox.setOnSongEnded([&] { events.push_back("ended"); });
    jukebox.setOnMusicStarted([&] { events.push_back("started"); });
    jukebox.setOnMusicStopped([&] { events.push_back("stopped"); });
    jukebox.init(&audio_->music());
    ASSERT_TRUE(jukebox.isJukeboxReady());

    jukebox.playMusic();
    MusicStatus status = jukebox.status();
    EXPECT_EQ(status.title, "Tone Title");
    EXPECT_EQ(status.artist, "Tone Artist");
    EXPECT_GT(status.lengthMs, 0);  // the decoder estimates it; the tag skews the estimate

    ASSERT_TRUE(posts.take(5000ms));
    jukebox.handleSongEnded();
    // The missing file counts as playing, silently, until the player skips it.
    EXPECT_TRUE(jukebox.isMusicPlaying());
    EXPECT_EQ(jukebox.status().title, "missing");
    EXPECT_EQ(jukebox.songTimeMs(), 0);
    EXPECT_FALSE(posts.take(500ms));
    jukebox.nextSong();
    EXPECT_EQ(jukebox.status().title, "tone");
    ASSERT_TRUE(posts.take(5000ms));
    jukebox.handleSongEnded();
    EXPECT_FALSE(jukebox.isMusicPlaying()) << "the last song ends the music";
    EXPECT_EQ(events, (std::vector<std::string>{"started", "ended", "stopped", "started",
                                                "stopped"}));
    jukebox.shutdown();
}

}  // namespace
