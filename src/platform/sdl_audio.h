// The audio output over SDL2_mixer: wave sounds and streamed music.
//
// SDL_mixer keeps one output and one music-finished hook per process, so at most one SdlAudio
// exists at a time. When no sound device can be opened the dummy driver stands in: the
// launcher then runs silent instead of failing.
#pragma once

#include <memory>
#include <string>

#include "platform/music_stream.h"
#include "platform/sound_player.h"

class SdlAudio {
public:
    // Opens the audio output (44.1 kHz stereo), retrying with SDL's dummy driver when the
    // system's own driver fails. Returns null, with the reason in `error` when given, when even
    // that fails or another SdlAudio exists. GUI thread.
    static std::unique_ptr<SdlAudio> create(std::string* error = nullptr);

    // Stops all sound and music and closes the output. GUI thread.
    ~SdlAudio();

    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    // True when the output runs on the dummy driver (no sound is heard).
    bool silent() const { return silent_; }

    // The players live as long as this object.
    SoundPlayer& sounds();
    MusicStream& music();

private:
    struct Players;
    explicit SdlAudio(bool silent);

    bool silent_ = false;
    std::unique_ptr<Players> players_;
};
