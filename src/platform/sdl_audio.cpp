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

// SDL_mixer's entry points. The library is opened with the audio output, not linked: its
// decoders bring in some thirty more libraries (a synthesiser, sound servers, codecs) whose
// loading was a good part of the launcher's start-up, before the list could show. Once opened
// it stays for the life of the process.
struct MixerLibrary {
    decltype(&::Mix_OpenAudio) OpenAudio;
    decltype(&::Mix_CloseAudio) CloseAudio;
    decltype(&::Mix_Init) Init;
    decltype(&::Mix_Quit) Quit;
    decltype(&::Mix_AllocateChannels) AllocateChannels;
    decltype(&::Mix_QuerySpec) QuerySpec;
    decltype(&::Mix_HookMusicFinished) HookMusicFinished;
    decltype(&::Mix_LoadWAV) LoadWAV;
    decltype(&::Mix_FreeChunk) FreeChunk;
    decltype(&::Mix_PlayChannel) PlayChannel;
    decltype(&::Mix_HaltChannel) HaltChannel;
    decltype(&::Mix_Playing) Playing;
    decltype(&::Mix_LoadMUS) LoadMUS;
    decltype(&::Mix_FreeMusic) FreeMusic;
    decltype(&::Mix_PlayMusic) PlayMusic;
    decltype(&::Mix_HaltMusic) HaltMusic;
    decltype(&::Mix_PauseMusic) PauseMusic;
    decltype(&::Mix_ResumeMusic) ResumeMusic;
    decltype(&::Mix_MusicDuration) MusicDuration;
    decltype(&::Mix_GetMusicPosition) GetMusicPosition;
};

const MixerLibrary* mix = nullptr;

template <typename Function>
bool resolve(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(SDL_LoadFunction(handle, name));
    return function != nullptr;
}

// Opens the library the first time; false, with the reason in `error`, when it or one of its
// entry points is missing. GUI thread.
bool loadMixer(std::string& error)
{
    static MixerLibrary library;
    if (mix != nullptr) return true;
    void* handle = SDL_LoadObject(QUORVANE_SDL2_MIXER_LIBRARY);
    if (handle == nullptr) {
        error = SDL_GetError();
        return false;
    }
    const bool complete = resolve(handle, "Mix_OpenAudio", library.OpenAudio) &&
                          resolve(handle, "Mix_CloseAudio", library.CloseAudio) &&
                          resolve(handle, "Mix_Init", library.Init) &&
                          resolve(handle, "Mix_Quit", library.Quit) &&
                          resolve(handle, "Mix_AllocateChannels", library.AllocateChannels) &&
                          resolve(handle, "Mix_QuerySpec", library.QuerySpec) &&
                          resolve(handle, "Mix_HookMusicFinished", library.HookMusicFinished) &&
                          resolve(handle, "Mix_LoadWAV", library.LoadWAV) &&
                          resolve(handle, "Mix_FreeChunk", library.FreeChunk) &&
                          resolve(handle, "Mix_PlayChannel", library.PlayChannel) &&
                          resolve(handle, "Mix_HaltChannel", library.HaltChannel) &&
                          resolve(handle, "Mix_Playing", library.Playing) &&
                          resolve(handle, "Mix_LoadMUS", library.LoadMUS) &&
                          resolve(handle, "Mix_FreeMusic", library.FreeMusic) &&
                          resolve(handle, "Mix_PlayMusic", library.PlayMusic) &&
                          resolve(handle, "Mix_HaltMusic", library.HaltMusic) &&
                          resolve(handle, "Mix_PauseMusic", library.PauseMusic) &&
                          resolve(handle, "Mix_ResumeMusic", library.ResumeMusic) &&
                          resolve(handle, "Mix_MusicDuration", library.MusicDuration) &&
                          resolve(handle, "Mix_GetMusicPosition", library.GetMusicPosition);
    if (!complete) {
        error = SDL_GetError();
        SDL_UnloadObject(handle);
        return false;
    }
    mix = &library;
    return true;
}

struct MusicDeleter {
    void operator()(Mix_Music* music) const { mix->FreeMusic(music); }
};
struct ChunkDeleter {
    void operator()(Mix_Chunk* chunk) const { mix->FreeChunk(chunk); }
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
        chunk_.reset(mix->LoadWAV(path.c_str()));
        if (!chunk_) {
            return false;
        }
        if (mix->PlayChannel(kSoundChannel, chunk_.get(), 0) < 0) {
            chunk_.reset();
            return false;
        }
        if (wait == SoundWait::UntilDone) {
            Uint64 deadline = SDL_GetTicks64() + chunkMs(*chunk_) + kWaitMarginMs;
            while (mix->Playing(kSoundChannel) != 0 && SDL_GetTicks64() < deadline) {
                SDL_Delay(5);
            }
        }
        return true;
    }

    void stopAll() override
    {
        mix->HaltChannel(-1);
        chunk_.reset();
    }

private:
    static Uint64 chunkMs(const Mix_Chunk& chunk)
    {
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        if (mix->QuerySpec(&frequency, &format, &channels) == 0 || frequency <= 0) {
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
        music_.reset(mix->LoadMUS(path.c_str()));
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
        mix->ResumeMusic();
        {
            std::lock_guard lock(handlerMutex_);
            armed_ = true;
        }
        if (mix->PlayMusic(music_.get(), 0) < 0) {
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
            mix->HaltMusic();
            music_.reset();
        }
    }

    long lengthMs() const override
    {
        return music_ ? secondsToMs(mix->MusicDuration(music_.get())) : 0;
    }

    long positionMs() const override
    {
        return music_ ? secondsToMs(mix->GetMusicPosition(music_.get())) : 0;
    }

    void setPaused(bool paused) override
    {
        if (paused) {
            mix->PauseMusic();
        } else {
            mix->ResumeMusic();
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
    if (mix->OpenAudio(kMixRate, AUDIO_S16SYS, kOutputChannels, kBufferFrames) < 0) {
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
    if (!loadMixer(reason)) {
        gAudioOpen = false;
        if (error != nullptr) {
            *error = "no SDL_mixer (" + reason + ")";
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
    mix->Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    mix->AllocateChannels(1);

    std::unique_ptr<SdlAudio> audio(new SdlAudio(silent));
    gHookTarget = &audio->players_->music;
    mix->HookMusicFinished(&musicFinishedHook);
    return audio;
}

SdlAudio::SdlAudio(bool silent) : silent_(silent), players_(std::make_unique<Players>()) {}

SdlAudio::~SdlAudio()
{
    // Unhooking takes the audio lock, so no hook call is under way once it returns.
    mix->HookMusicFinished(nullptr);
    gHookTarget = nullptr;
    players_->music.close();
    players_->sounds.stopAll();
    players_.reset();
    mix->CloseAudio();
    mix->Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gAudioOpen = false;
}

SoundPlayer& SdlAudio::sounds() { return players_->sounds; }

MusicStream& SdlAudio::music() { return players_->music; }
