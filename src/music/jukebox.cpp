#include "music/jukebox.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "music/playlist.h"
#include "music/song_tags.h"

Jukebox::Jukebox(const LauncherSettings& settings, TagReader& tags, Poster postSongEnded,
                 uint32_t seed)
    : settings_(settings), tags_(tags), post_(std::move(postSongEnded)), engine_(seed)
{
}

Jukebox::~Jukebox()
{
    shutdown();
}

void Jukebox::init(MusicStream* stream)
{
    std::lock_guard lock(mutex_);
    ready_ = false;
    playing_ = false;
    if (settings_.PlaylistFilename.empty()) {
        return;
    }
    std::optional<std::vector<Song>> songs = loadPlaylist(settings_.PlaylistFilename);
    if (!songs) {
        return;
    }
    playlist_ = std::move(*songs);
    current_.reset();
    if (!playlist_.empty()) {
        current_ = 0;
        if (settings_.MusicRandomPlay == 1) {
            chooseRandomLocked();
        }
    }
    stream_ = stream;
    ready_ = stream != nullptr;
}

void Jukebox::shutdown()
{
    Notices unused;  // the hooks are cleared first: nobody hears about this stop
    std::lock_guard lock(mutex_);
    onSongEnded_ = nullptr;
    onMusicStarted_ = nullptr;
    onMusicStopped_ = nullptr;
    onMusicPaused_ = nullptr;
    if (ready_) {
        if (playing_) {
            stopMusicLocked(unused);
        }
        // Whatever stop left open closes with the output, so no end report can follow.
        stream_->close();
        ready_ = false;
    }
    stream_ = nullptr;
    playlist_.clear();
    current_.reset();
    std::lock_guard endLock(endMutex_);
    endedSerial_.reset();
}

void Jukebox::playMusic()
{
    Notices notices;
    {
        std::lock_guard lock(mutex_);
        startSongLocked(true, notices);
    }
    dispatch(notices);
}

void Jukebox::stopMusic()
{
    Notices notices;
    {
        std::lock_guard lock(mutex_);
        if (!ready_) {
            return;
        }
        stopMusicLocked(notices);
    }
    dispatch(notices);
}

void Jukebox::nextSong() { skipSong(true); }

void Jukebox::previousSong() { skipSong(false); }

// A song that was playing stops and its neighbour starts; a stopped jukebox only moves.
void Jukebox::skipSong(bool forward)
{
    Notices notices;
    {
        std::lock_guard lock(mutex_);
        if (!ready_) {
            return;
        }
        const bool wasPlaying = playing_;
        if (wasPlaying) {
            stopMusicLocked(notices);
        }
        moveLocked(forward);
        if (wasPlaying) {
            startSongLocked(true, notices, forward);
        }
    }
    dispatch(notices);
}

void Jukebox::pauseMusic(bool paused)
{
    Notices notices;
    {
        std::lock_guard lock(mutex_);
        if (!ready_ || !playing_) {
            return;
        }
        stream_->setPaused(paused);
        paused_ = paused;
        notices.push_back(paused ? Notice::Paused : Notice::Resumed);
        if (!paused && deferred_) {
            // The song chosen while the game ran starts now, not before.
            deferred_ = false;
            playing_ = false;
            startSongLocked(false, notices);
        }
    }
    dispatch(notices);
}

void Jukebox::handleSongEnded()
{
    std::optional<uint64_t> ended;
    {
        std::lock_guard endLock(endMutex_);
        ended = std::exchange(endedSerial_, std::nullopt);
    }
    if (!ended) {
        return;
    }
    Notices notices;
    {
        std::lock_guard lock(mutex_);
        if (!ready_ || !playing_ || !started_ || *ended != streamSerial_ || !current_) {
            return;  // the player stopped or moved on since that stream ended
        }
        std::printf("Song [%s] ended", playlist_[*current_].filename.c_str());
        std::fflush(stdout);
        if (settings_.MusicRepeatSong == 1) {
            closeStreamLocked();
            playing_ = false;
            startOrDeferLocked(notices);
        } else if (settings_.MusicRandomPlay == 1) {
            closeStreamLocked();
            playing_ = false;
            chooseRandomLocked();
            startOrDeferLocked(notices);
            notices.push_back(Notice::SongEnded);
        } else if (settings_.MusicRepeatPlaylist == 0 && *current_ + 1 == playlist_.size()) {
            // The music ends after the last song; the current song stays on it.
            stopMusicLocked(notices);
        } else {
            closeStreamLocked();
            playing_ = false;
            moveLocked(true);
            startOrDeferLocked(notices);
            notices.push_back(Notice::SongEnded);
        }
    }
    dispatch(notices);
}

bool Jukebox::isJukeboxReady() const
{
    std::lock_guard lock(mutex_);
    return ready_;
}

bool Jukebox::isMusicPlaying() const
{
    std::lock_guard lock(mutex_);
    return ready_ && playing_;
}

bool Jukebox::isMusicPaused() const
{
    std::lock_guard lock(mutex_);
    return ready_ && playing_ && (started_ || deferred_) && paused_;
}

std::optional<Song> Jukebox::currentSongInfo() const
{
    std::lock_guard lock(mutex_);
    if (!ready_ || !playing_ || !current_) {
        return std::nullopt;
    }
    return playlist_[*current_];
}

long Jukebox::songLengthMs() const
{
    std::lock_guard lock(mutex_);
    return ready_ && playing_ && streamOpen_ ? stream_->lengthMs() : 0;
}

long Jukebox::songTimeMs() const
{
    std::lock_guard lock(mutex_);
    return ready_ && playing_ && streamOpen_ ? stream_->positionMs() : 0;
}

MusicStatus Jukebox::status() const
{
    std::lock_guard lock(mutex_);
    MusicStatus status;
    status.active = ready_;
    if (!ready_ || !playing_ || !current_) {
        return status;
    }
    const Song& song = playlist_[*current_];
    status.playing = true;
    status.paused = (started_ || deferred_) && paused_;
    status.title = songDisplayTitle(song);
    status.artist = songDisplayArtist(song);
    if (streamOpen_) {
        status.lengthMs = stream_->lengthMs();
        status.positionMs = stream_->positionMs();
    }
    return status;
}

std::vector<Song> Jukebox::playlist() const
{
    std::lock_guard lock(mutex_);
    return playlist_;
}

std::optional<std::size_t> Jukebox::currentIndex() const
{
    std::lock_guard lock(mutex_);
    return current_;
}

void Jukebox::setOnSongEnded(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    onSongEnded_ = std::move(hook);
}

void Jukebox::setOnMusicStarted(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    onMusicStarted_ = std::move(hook);
}

void Jukebox::setOnMusicStopped(std::function<void()> hook)
{
    std::lock_guard lock(mutex_);
    onMusicStopped_ = std::move(hook);
}

void Jukebox::setOnMusicPaused(std::function<void(bool)> hook)
{
    std::lock_guard lock(mutex_);
    onMusicPaused_ = std::move(hook);
}

int Jukebox::randRange(int min, int max)
{
    std::lock_guard lock(mutex_);
    return randRangeLocked(min, max);
}

int Jukebox::randRangeLocked(int min, int max)
{
    if (max < min) {
        return min;
    }
    return std::uniform_int_distribution<int>(min, max)(engine_);
}

void Jukebox::startSongLocked(bool notify, Notices& notices, bool forward)
{
    // An empty playlist has nothing to play: stay stopped rather than "play" no song.
    if (!ready_ || playing_ || !current_) {
        return;
    }
    // Each song is tried at most once per start, so a playlist of broken files ends in one
    // pass instead of spinning.
    std::vector<bool> failed(playlist_.size(), false);
    while (!openAndStartLocked(notify, notices)) {
        failed[*current_] = true;
        closeStreamLocked();
        playing_ = false;
        if (!moveOnFromBrokenLocked(forward, failed)) {
            std::fputs("No further song of the playlist can be played; the music stops\n",
                       stderr);
            notices.push_back(Notice::Stopped);
            return;
        }
    }
}

// Opens and starts the current song; false, after a line on standard error, when it cannot be
// played. The song then counts as playing, so the caller decides where to go next.
bool Jukebox::openAndStartLocked(bool notify, Notices& notices)
{
    playing_ = true;
    paused_ = false;
    deferred_ = false;
    streamOpen_ = false;
    started_ = false;
    Song& song = playlist_[*current_];
    // A FIFO would block the open for ever and a device such as /dev/zero never ends; only
    // regular files are handed to the decoder.
    std::error_code error;
    if (!std::filesystem::is_regular_file(song.filename, error)) {
        std::fprintf(stderr, "Skipping the song [%s]: it is not a regular file\n",
                     song.filename.c_str());
        return false;
    }
    uint64_t serial = ++streamSerial_;
    auto onEnd = [this, serial] {
        {
            std::lock_guard endLock(endMutex_);
            endedSerial_ = serial;
        }
        if (post_) {
            post_();
        }
    };
    if (!stream_->open(song.filename, std::move(onEnd))) {
        std::fprintf(stderr, "Skipping the song [%s]: it cannot be read or decoded\n",
                     song.filename.c_str());
        return false;
    }
    streamOpen_ = true;
    if (!stream_->start()) {
        std::fprintf(stderr, "Skipping the song [%s]: the sound output refused to play it\n",
                     song.filename.c_str());
        return false;
    }
    started_ = true;
    readSongTags(tags_, song);
    if (notify) {
        notices.push_back(Notice::Started);
    }
    return true;
}

// Chooses the song to try after a broken one, by the end-of-song rules: a random song (one not
// yet tried), or the neighbour in the direction of travel, where sequential play without
// repeat playlist ends after the last song. A repeated song is not retried: it just failed.
// False when no untried song is left.
bool Jukebox::moveOnFromBrokenLocked(bool forward, const std::vector<bool>& failed)
{
    const std::size_t count = playlist_.size();
    if (settings_.MusicRandomPlay == 1) {
        const auto untried =
            static_cast<std::size_t>(std::count(failed.begin(), failed.end(), false));
        if (untried == 0) {
            return false;
        }
        int pick =
            randRangeLocked(0, static_cast<int>(std::min<std::size_t>(untried, INT32_MAX) - 1));
        for (std::size_t i = 0; i < count; ++i) {
            if (!failed[i] && pick-- == 0) {
                current_ = i;
                return true;
            }
        }
        return false;
    }
    if (forward && settings_.MusicRepeatPlaylist == 0 && *current_ + 1 == count) {
        return false;
    }
    moveLocked(forward);
    return !failed[*current_];
}

// After a song's end: start the following one, or, while the music is paused for a game,
// only choose it; the resume starts it.
void Jukebox::startOrDeferLocked(Notices& notices)
{
    if (!paused_) {
        startSongLocked(false, notices);
        return;
    }
    playing_ = true;
    deferred_ = true;
    streamOpen_ = false;
    started_ = false;
}

void Jukebox::stopMusicLocked(Notices& notices)
{
    if (playing_) {
        closeStreamLocked();
        notices.push_back(Notice::Stopped);
    }
    playing_ = false;
    paused_ = false;
    deferred_ = false;
}

void Jukebox::closeStreamLocked()
{
    // A stream that does not report itself ready is left alone; the next song's open()
    // replaces it, and its late end report no longer matches streamSerial_.
    if (playing_ && streamOpen_ && stream_->ready()) {
        stream_->close();
        streamOpen_ = false;
        started_ = false;
    }
}

void Jukebox::moveLocked(bool forward)
{
    if (!current_) {
        return;
    }
    if (settings_.MusicRandomPlay == 1) {
        chooseRandomLocked();
        return;
    }
    std::size_t count = playlist_.size();
    current_ = forward ? (*current_ + 1) % count : (*current_ == 0 ? count - 1 : *current_ - 1);
}

void Jukebox::chooseRandomLocked()
{
    if (playlist_.empty()) {
        return;
    }
    int last = static_cast<int>(std::min<std::size_t>(playlist_.size(), INT32_MAX) - 1);
    current_ = static_cast<std::size_t>(randRangeLocked(0, last));
}

void Jukebox::dispatch(const Notices& notices)
{
    if (notices.empty()) {
        return;
    }
    std::function<void()> ended;
    std::function<void()> started;
    std::function<void()> stopped;
    std::function<void(bool)> paused;
    {
        std::lock_guard lock(mutex_);
        ended = onSongEnded_;
        started = onMusicStarted_;
        stopped = onMusicStopped_;
        paused = onMusicPaused_;
    }
    for (Notice notice : notices) {
        switch (notice) {
        case Notice::Started:
            if (started) started();
            break;
        case Notice::Stopped:
            if (stopped) stopped();
            break;
        case Notice::Paused:
        case Notice::Resumed:
            if (paused) paused(notice == Notice::Paused);
            break;
        case Notice::SongEnded:
            if (ended) ended();
            break;
        }
    }
}
