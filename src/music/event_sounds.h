// The wave sounds of launcher events, as configured in the [Sounds] section of the settings.
#pragma once

#include "config/settings.h"
#include "platform/sound_player.h"

enum class EventSound { Startup, StartGame, Error, Shutdown };

// Plays the sound configured for `event`: Startup and Error without waiting, StartGame and
// Shutdown to their end (a game starts, or the launcher exits, only after its sound). An
// absent or empty setting plays nothing. Returns whether a sound played. GUI thread.
bool playEventSound(SoundPlayer& player, const SoundSettings& sounds, EventSound event);
