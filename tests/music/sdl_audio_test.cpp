// The SDL2_mixer output on SDL's dummy driver, which plays in real time without a sound card;
// the audio files are about 0.3 s long to keep these tests short.
#include "platform/sdl_audio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <semaphore>

#include "music/music_test_files.h"

namespace {

using namespace std::chrono_literals;

class SdlAudioTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(audio, nullptr) << error; }
    std::string error;
    std::unique_ptr<SdlAudio> audio = SdlAudio::create(&error);
    TempFolder dir;
};

TEST(SdlAudioOpenTest, FallsBackToTheDummyDriverAndIsSingle)
{
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = old != nullptr ? old : "dummy";
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto audio = SdlAudio::create();
    ::setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    ASSERT_NE(audio, nullptr);
    EXPECT_TRUE(audio->silent());
    EXPECT_EQ(SdlAudio::create(), nullptr) << "one output at a time";
    audio.reset();
    EXPECT_NE(SdlAudio::create(), nullptr) << "the output can be opened again once closed";
}

TEST_F(SdlAudioTest, WaveSoundsAndPausedMusic)
{
    writeSilentWav(dir.path("tone.wav"), 600);  // twice the length of the music fixtures
    writeFile(dir.path("text.wav"), "this is not a wave file");
    SoundPlayer& sounds = audio->sounds();
    for (const std::string& bad : {dir.path("missing.wav"), dir.path("text.wav"), dir.dir()}) {
        EXPECT_FALSE(sounds.play(bad, SoundWait::UntilDone)) << bad;
    }
    EXPECT_TRUE(sounds.play(dir.path("tone.wav"), SoundWait::Async));

    // Paused, a stream does not end, though the mixer plays a whole wave meanwhile. The pause
    // takes the audio lock, so an end that came first (a starved test thread) is already
    // counted when it returns; only then is nothing to check.
    std::counting_semaphore<> ended{0};
    ASSERT_TRUE(audio->music().open(fixture("tone.ogg"), [&] { ended.release(); }));
    ASSERT_TRUE(audio->music().start());
    audio->music().setPaused(true);
    const bool endedBeforePause = ended.try_acquire();
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(sounds.play(dir.path("tone.wav"), SoundWait::UntilDone));
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 450ms) << "plays to its end";
    EXPECT_FALSE(ended.try_acquire());
    audio->music().setPaused(false);
    EXPECT_TRUE(endedBeforePause || ended.try_acquire_for(30s));
}

TEST_F(SdlAudioTest, BrokenMusicFilesFailOrEndWithoutHanging)
{
    const std::string mp3 = readFile(fixture("tone.mp3"));
    std::string garbage;
    for (int i = 0; i < 8192; ++i) garbage.push_back(static_cast<char>((i * 7 + i / 13) % 256));
    writeFile(dir.path("truncated.mp3"), mp3.substr(0, mp3.size() / 3));
    writeFile(dir.path("half-frame.mp3"), mp3.substr(0, 40));
    writeFile(dir.path("big-tag.mp3"), std::string("ID3\x03\0\0\x2F\x7F\x7F\x7F", 10) + mp3);
    writeFile(dir.path("garbage.mp3"), garbage);
    std::filesystem::create_directory(dir.path("folder.mp3"));
    for (const char* name :
         {"truncated.mp3", "half-frame.mp3", "big-tag.mp3", "garbage.mp3", "folder.mp3", "none"}) {
        std::counting_semaphore<> ended{0};
        if (audio->music().open(dir.path(name), [&] { ended.release(); }) &&
            audio->music().start()) {
            EXPECT_TRUE(ended.try_acquire_for(30s)) << name << ": a broken stream still ends";
        }
        audio->music().close();
    }
}

}  // namespace
