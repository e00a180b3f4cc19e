#include "music/event_sounds.h"

#include <optional>
#include <string>

bool playEventSound(SoundPlayer& player, const SoundSettings& sounds, EventSound event)
{
    const std::optional<std::string>* path = nullptr;
    SoundWait wait = SoundWait::Async;
    switch (event) {
    case EventSound::Startup:
        path = &sounds.Startup;
        break;
    case EventSound::StartGame:
        path = &sounds.StartGame;
        wait = SoundWait::UntilDone;
        break;
    case EventSound::Error:
        path = &sounds.Error;
        break;
    case EventSound::Shutdown:
        path = &sounds.Shutdown;
        wait = SoundWait::UntilDone;
        break;
    }
    if (path == nullptr || !path->has_value() || (*path)->empty()) {
        return false;
    }
    return player.play(**path, wait);
}
