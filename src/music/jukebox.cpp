#include "music/jukebox.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
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
            startSongLocked(true, notices);
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
            startSongLocked(false, notices);
        } else if (settings_.MusicRandomPlay == 1) {
            closeStreamLocked();
            playing_ = false;
            chooseRandomLocked();
            startSongLocked(false, notices);
            notices.push_back(Notice::SongEnded);
        } else if (settings_.MusicRepeatPlaylist == 0 && *current_ + 1 == playlist_.size()) {
            // The music ends after the last song; the current song stays on it.
            stopMusicLocked(notices);
        } else {
            closeStreamLocked();
            playing_ = false;
            moveLocked(true);
            startSongLocked(false, notices);
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
    return ready_ && playing_ && started_ && paused_;
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
    status.paused = started_ && paused_;
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

void Jukebox::startSongLocked(bool notify, Notices& notices)
{
    // An empty playlist has nothing to play: stay stopped rather than "play" no song.
    if (!ready_ || playing_ || !current_) {
        return;
    }
    // The song counts as playing from here on, even when its file cannot be played, so that
    // Stop, Next and Previous can move past a broken entry.
    playing_ = true;
    paused_ = false;
    streamOpen_ = false;
    started_ = false;
    Song& song = playlist_[*current_];
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
        return;
    }
    streamOpen_ = true;
    if (!stream_->start()) {
        return;  // open but silent: no tags, no notice
    }
    started_ = true;
    readSongTags(tags_, song);
    if (notify) {
        notices.push_back(Notice::Started);
    }
}

void Jukebox::stopMusicLocked(Notices& notices)
{
    if (playing_) {
        closeStreamLocked();
        notices.push_back(Notice::Stopped);
    }
    playing_ = false;
    paused_ = false;
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
