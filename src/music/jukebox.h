// The jukebox: background music from the playlist, one song at a time.
//
// Threads: every command and the end-of-song handling run on the GUI thread. The audio output
// reports the end of a song on its own thread; that report only records which stream ended
// (under a small lock of its own) and posts a wake-up to the GUI thread, which then calls
// handleSongEnded(). The end record has its own lock because the audio library calls its
// finished hook while holding its internal lock, which the GUI thread also takes inside every
// stream call made under the jukebox's lock; sharing one lock would deadlock. All jukebox state
// is guarded by the jukebox's lock, so the queries may be asked from any thread. Hooks are
// called on the GUI thread after the lock has been released, so a hook may query or command
// the jukebox.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "config/settings.h"
#include "music/music_status.h"
#include "music/song.h"
#include "platform/music_stream.h"
#include "platform/tag_reader.h"

class Jukebox {
public:
    // Posts "a song ended" to the GUI thread; called from the audio thread, so it must be
    // thread-safe and must not block. The GUI thread answers with handleSongEnded().
    using Poster = std::function<void()>;

    // `settings` is read at each decision (random play, repeat song, repeat playlist, pause
    // during games), so options-menu changes act from the next decision on; it, `tags` and
    // the stream given to init() must outlive the jukebox. `seed` seeds the random choices.
    Jukebox(const LauncherSettings& settings, TagReader& tags, Poster postSongEnded,
            uint32_t seed);
    ~Jukebox();

    Jukebox(const Jukebox&) = delete;
    Jukebox& operator=(const Jukebox&) = delete;

    // Loads the playlist named by PlaylistFilename and chooses the first song (a random one
    // with random play). The jukebox becomes ready only when the playlist loaded and `stream`
    // is not null (null stands for an audio output that could not be set up; the playlist then
    // stays loaded but unused). With no playlist every command does nothing. Call once.
    void init(MusicStream* stream);

    // Clears the hooks, stops the music and releases the playlist. Also run by the destructor.
    void shutdown();

    // Starts the current song, when ready and not already playing; onMusicStarted follows.
    // A song that cannot be played (not a regular file, not decodable, refused by the output)
    // is skipped with a line on standard error naming it, moving on as at the end of a song
    // (backwards for Previous); when every song has failed once, the music stops and says so.
    // This holds for every start: Play, Next, Previous and the end of a song.
    void playMusic();
    // Stops the music; onMusicStopped follows when something was playing. The current song
    // stays, so Play starts it again.
    void stopMusic();
    // Move to the following / preceding song (wrapping round; a random one with random play).
    // While playing, the music stops and the new song starts (both hooks are called); while
    // stopped, only the song that Play will start changes, and no hook is called.
    void nextSong();
    void previousSong();
    // Pauses (true) or resumes (false) the music, only when ready and playing; then
    // onMusicPaused(flag). A song chosen while paused starts on resume.
    void pauseMusic(bool paused);

    // Runs the end-of-song rules for the stream whose end was posted: repeat the song, a
    // random song, or the next one (stopping after the last without repeat playlist), then
    // onSongEnded (not for a repeated song). While the music is paused (during a game) the
    // following song is chosen but starts only on resume. A report about a stream that is no
    // longer the playing one (the player already moved on) is ignored. GUI thread.
    void handleSongEnded();

    // Queries: cheap, free of side effects, any thread.
    bool isJukeboxReady() const;
    bool isMusicPlaying() const;  // also while paused, and with a song waiting for the resume
    bool isMusicPaused() const;
    std::optional<Song> currentSongInfo() const;  // the playing song, if any
    long songLengthMs() const;                    // 0 when unknown or nothing plays
    long songTimeMs() const;
    MusicStatus status() const;  // a consistent snapshot for the music bar

    // The whole playlist, for inspection (copies).
    std::vector<Song> playlist() const;
    // Position of the song Play starts or that plays now; nullopt with an empty playlist.
    std::optional<std::size_t> currentIndex() const;

    // Hooks, called on the GUI thread without the jukebox's lock. Setting one replaces it.
    void setOnSongEnded(std::function<void()> hook);
    void setOnMusicStarted(std::function<void()> hook);
    void setOnMusicStopped(std::function<void()> hook);
    void setOnMusicPaused(std::function<void(bool)> hook);

    // A whole number from `min` to `max`, both included, every value equally likely; `min`
    // when the range is empty (max < min).
    int randRange(int min, int max);

private:
    enum class Notice { Started, Stopped, Paused, Resumed, SongEnded };
    using Notices = std::vector<Notice>;

    void startSongLocked(bool notify, Notices& notices, bool forward = true);
    bool openAndStartLocked(bool notify, Notices& notices);
    bool moveOnFromBrokenLocked(bool forward, const std::vector<bool>& failed);
    void startOrDeferLocked(Notices& notices);
    void skipSong(bool forward);
    void stopMusicLocked(Notices& notices);
    void moveLocked(bool forward);
    void closeStreamLocked();
    void chooseRandomLocked();
    int randRangeLocked(int min, int max);
    void dispatch(const Notices& notices);

    const LauncherSettings& settings_;
    TagReader& tags_;
    Poster post_;

    mutable std::mutex mutex_;
    std::vector<Song> playlist_;
    std::optional<std::size_t> current_;
    MusicStream* stream_ = nullptr;
    bool ready_ = false;
    bool playing_ = false;
    bool streamOpen_ = false;  // a stream is open for the current song
    bool started_ = false;     // ... and the output accepted it
    bool paused_ = false;
    bool deferred_ = false;    // a song was chosen while paused; it starts on resume
    uint64_t streamSerial_ = 0;  // names the stream opened last
    std::mt19937 engine_;
    std::function<void()> onSongEnded_;
    std::function<void()> onMusicStarted_;
    std::function<void()> onMusicStopped_;
    std::function<void(bool)> onMusicPaused_;

    // Written by the audio thread; see the note at the top.
    std::mutex endMutex_;
    std::optional<uint64_t> endedSerial_;
};
