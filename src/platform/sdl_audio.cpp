#include "platform/sdl_audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <string>

namespace {

constexpr int kMixRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kBufferFrames = 2048;
// Wave sounds play one at a time, like the system sound call they replace.
constexpr int kSoundChannel = 0;
// Extra time allowed, beyond a wave's own length, before a wait for its end gives up; keeps a
// stalled output from hanging the launcher.
constexpr Uint64 kWaitMarginMs = 2000;

struct MusicDeleter {
    void operator()(Mix_Music* music) const { Mix_FreeMusic(music); }
};
struct ChunkDeleter {
    void operator()(Mix_Chunk* chunk) const { Mix_FreeChunk(chunk); }
};

long secondsToMs(double seconds)
{
    return seconds > 0 ? std::lround(seconds * 1000.0) : 0;
}

class SdlSoundPlayer final : public SoundPlayer {
public:
    bool play(const std::string& path, SoundWait wait) override
    {
        stopAll();
        chunk_.reset(Mix_LoadWAV(path.c_str()));
        if (!chunk_) {
            return false;
        }
        if (Mix_PlayChannel(kSoundChannel, chunk_.get(), 0) < 0) {
            chunk_.reset();
            return false;
        }
        if (wait == SoundWait::UntilDone) {
            Uint64 deadline = SDL_GetTicks64() + chunkMs(*chunk_) + kWaitMarginMs;
            while (Mix_Playing(kSoundChannel) != 0 && SDL_GetTicks64() < deadline) {
                SDL_Delay(5);
            }
        }
        return true;
    }

    void stopAll() override
    {
        Mix_HaltChannel(-1);
        chunk_.reset();
    }

private:
    static Uint64 chunkMs(const Mix_Chunk& chunk)
    {
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        if (Mix_QuerySpec(&frequency, &format, &channels) == 0 || frequency <= 0) {
            return 0;
        }
        Uint64 frameBytes = Uint64(SDL_AUDIO_BITSIZE(format) / 8) * Uint64(channels);
        return frameBytes == 0 ? 0 : Uint64(chunk.alen) * 1000 / (frameBytes * Uint64(frequency));
    }

    std::unique_ptr<Mix_Chunk, ChunkDeleter> chunk_;
};

class SdlMusicStream;
// SDL_mixer's music-finished hook takes no user data, so it finds the stream through here.
std::atomic<SdlMusicStream*> gHookTarget{nullptr};
std::atomic<bool> gAudioOpen{false};

class SdlMusicStream final : public MusicStream {
public:
    ~SdlMusicStream() override { close(); }

    bool open(const std::string& path, EndHandler onEnd) override
    {
        close();
        music_.reset(Mix_LoadMUS(path.c_str()));
        if (!music_) {
            return false;
        }
        std::lock_guard lock(handlerMutex_);
        handler_ = std::move(onEnd);
        armed_ = false;
        return true;
    }

    bool start() override
    {
        if (!music_) {
            return false;
        }
        // A pause set for the previous song must not hold the new one.
        Mix_ResumeMusic();
        {
            std::lock_guard lock(handlerMutex_);
            armed_ = true;
        }
        if (Mix_PlayMusic(music_.get(), 0) < 0) {
            std::lock_guard lock(handlerMutex_);
            armed_ = false;
            return false;
        }
        return true;
    }

    bool ready() const override { return music_ != nullptr; }

    void close() override
    {
        {
            // Waits for a handler running on the audio thread; none starts after this.
            std::lock_guard lock(handlerMutex_);
            armed_ = false;
            handler_ = nullptr;
        }
        if (music_) {
            // Halting calls the finished hook on this thread; disarmed, it does nothing.
            Mix_HaltMusic();
            music_.reset();
        }
    }

    long lengthMs() const override
    {
        return music_ ? secondsToMs(Mix_MusicDuration(music_.get())) : 0;
    }

    long positionMs() const override
    {
        return music_ ? secondsToMs(Mix_GetMusicPosition(music_.get())) : 0;
    }

    void setPaused(bool paused) override
    {
        if (paused) {
            Mix_PauseMusic();
        } else {
            Mix_ResumeMusic();
        }
    }

    // Runs on the audio thread with SDL's audio lock held, or on the GUI thread inside
    // Mix_HaltMusic. The handler runs under handlerMutex_ so that close() can wait for it.
    void finished()
    {
        std::lock_guard lock(handlerMutex_);
        if (!armed_ || !handler_) {
            return;
        }
        armed_ = false;
        handler_();
    }

private:
    std::unique_ptr<Mix_Music, MusicDeleter> music_;
    std::mutex handlerMutex_;
    EndHandler handler_;
    bool armed_ = false;
};

void SDLCALL musicFinishedHook()
{
    if (SdlMusicStream* stream = gHookTarget.load()) {
        stream->finished();
    }
}

// Opens SDL's audio subsystem and the mixer on `driver`, or on the system's choice when null.
bool openOutput(const char* driver, std::string& error)
{
    if (driver != nullptr) {
        // The override beats an SDL_AUDIODRIVER variable naming a driver that just failed.
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    }
    bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (driver != nullptr) {
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    }
    if (!ok) {
        error = SDL_GetError();
        return false;
    }
    if (Mix_OpenAudio(kMixRate, AUDIO_S16SYS, kOutputChannels, kBufferFrames) < 0) {
        error = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

}  // namespace

struct SdlAudio::Players {
    SdlSoundPlayer sounds;
    SdlMusicStream music;
};

std::unique_ptr<SdlAudio> SdlAudio::create(std::string* error)
{
    std::string reason;
    if (gAudioOpen.exchange(true)) {
        if (error != nullptr) {
            *error = "the audio output is already open";
        }
        return nullptr;
    }
    bool opened = openOutput(nullptr, reason);
    if (!opened) {
        std::string dummyReason;
        opened = openOutput("dummy", dummyReason);
        if (!opened) {
            reason += "; dummy driver: " + dummyReason;
        }
    }
    if (!opened) {
        gAudioOpen = false;
        if (error != nullptr) {
            *error = reason;
        }
        return nullptr;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    bool silent = driver != nullptr && std::string(driver) == "dummy";
    // Decoders that fail to load only make their formats unplayable; music stays optional.
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    Mix_AllocateChannels(1);

    std::unique_ptr<SdlAudio> audio(new SdlAudio(silent));
    gHookTarget = &audio->players_->music;
    Mix_HookMusicFinished(&musicFinishedHook);
    return audio;
}

SdlAudio::SdlAudio(bool silent) : silent_(silent), players_(std::make_unique<Players>()) {}

SdlAudio::~SdlAudio()
{
    // Unhooking takes the audio lock, so no hook call is under way once it returns.
    Mix_HookMusicFinished(nullptr);
    gHookTarget = nullptr;
    players_->music.close();
    players_->sounds.stopAll();
    players_.reset();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gAudioOpen = false;
}

SoundPlayer& SdlAudio::sounds()
{
    return players_->sounds;
}

MusicStream& SdlAudio::music()
{
    return players_->music;
}
