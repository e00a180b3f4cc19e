// Background music streamed from disk, one stream at a time.
//
// The music-finished notification of an audio library comes from its mixing thread, so the
// end handler runs there and must only record the event and hand it over to the GUI thread.
// Apart from that handler, calls are not synchronised here: the owner serialises them (the
// jukebox makes every call under its lock).
#pragma once

#include <functional>
#include <string>

class MusicStream {
public:
    using EndHandler = std::function<void()>;

    virtual ~MusicStream() = default;

    // Opens the music file at `path` (mp3, ogg, flac, wav...) for streaming, closing any stream
    // open before. `onEnd` is called at most once, on the audio thread, when this stream has
    // played to its end; never after close() or the next open() has returned. Returns false,
    // with no stream open, when the file cannot be opened or decoded. GUI thread.
    virtual bool open(const std::string& path, EndHandler onEnd) = 0;

    // Starts the open stream from its beginning. Returns false when nothing is open or the
    // output refused to play it (the stream then stays open but silent). GUI thread.
    virtual bool start() = 0;

    // True while a stream is open and in a state in which it may be closed.
    virtual bool ready() const = 0;

    // Stops and closes the open stream, if any; its end handler does not run after this
    // returns. GUI thread.
    virtual void close() = 0;

    // Length of the open stream in milliseconds; 0 when nothing is open or the format does
    // not tell.
    virtual long lengthMs() const = 0;

    // Play position of the open stream in milliseconds; 0 when nothing is open or the format
    // does not tell.
    virtual long positionMs() const = 0;

    // Pauses (true) or resumes (false) the music output. A stream opened later starts
    // unpaused. GUI thread.
    virtual void setPaused(bool paused) = 0;
};
