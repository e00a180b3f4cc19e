// Short wave sounds played on launcher events (start-up, game start, refused move, shutdown).
#pragma once

#include <string>

// Whether play() returns at once or only after the sound has finished.
enum class SoundWait { Async, UntilDone };

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Plays the wave file at `path`, first stopping any sound this player is still playing (one
    // sound at a time, like the system's own sound call). With SoundWait::UntilDone it returns
    // when the sound has ended. Returns false, playing nothing, when the file cannot be read or
    // the output refuses it; there is never a fallback sound. GUI thread only.
    virtual bool play(const std::string& path, SoundWait wait) = 0;

    // Stops the sound that is playing, if any. GUI thread only.
    virtual void stopAll() = 0;
};

// The player used when no audio output exists at all: every sound is silently refused.
class SilentSoundPlayer final : public SoundPlayer {
public:
    bool play(const std::string&, SoundWait) override { return false; }
    void stopAll() override {}
};
