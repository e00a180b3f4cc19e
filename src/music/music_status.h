// What the music status bar shows: a snapshot of the jukebox, taken on the GUI thread.
#pragma once

#include <functional>
#include <string>

struct MusicStatus {
    bool active = false;   // a playlist was loaded and the sound output was set up
    bool playing = false;  // a song is playing (paused counts as playing)
    bool paused = false;
    std::string title;     // never empty while playing: falls back to the file name
    std::string artist;    // "Unknown" when the song carries no artist
    long lengthMs = 0;
    long positionMs = 0;
};

// Asked by the display each time it draws the music bar. Cheap and free of side effects.
using MusicStatusQuery = std::function<MusicStatus()>;
