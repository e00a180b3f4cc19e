// A music stream that plays nothing: tests script its failures and make songs end on demand.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/music_stream.h"

class FakeMusicStream final : public MusicStream {
public:
    bool open(const std::string& path, EndHandler onEnd) override
    {
        std::lock_guard lock(mutex_);
        ++openCount;
        closeLocked();
        if (unopenable.count(path) != 0) {
            return false;
        }
        openPath_ = path;
        handler_ = std::move(onEnd);
        isOpen_ = true;
        return true;
    }

    bool start() override
    {
        std::lock_guard lock(mutex_);
        if (!isOpen_ || unstartable.count(openPath_) != 0) {
            return false;
        }
        started.push_back(openPath_);
        paused_ = false;
        return true;
    }

    bool ready() const override
    {
        std::lock_guard lock(mutex_);
        return isOpen_ && !neverReady;
    }

    void close() override
    {
        std::lock_guard lock(mutex_);
        closeLocked();
    }

    long lengthMs() const override
    {
        std::lock_guard lock(mutex_);
        return isOpen_ ? length : 0;
    }

    long positionMs() const override
    {
        std::lock_guard lock(mutex_);
        return isOpen_ ? position : 0;
    }

    void setPaused(bool paused) override
    {
        std::lock_guard lock(mutex_);
        paused_ = paused;
        ++pauseCalls;
    }

    // Plays the open stream to its end: runs its end handler once, on the calling thread (a
    // test thread standing in for the audio thread). Returns false when no handler was armed.
    bool finish()
    {
        std::lock_guard lock(mutex_);
        if (!handler_) {
            return false;
        }
        EndHandler handler = std::move(handler_);
        handler_ = nullptr;
        handler();
        return true;
    }

    std::string openPath() const
    {
        std::lock_guard lock(mutex_);
        return isOpen_ ? openPath_ : std::string();
    }

    bool paused() const
    {
        std::lock_guard lock(mutex_);
        return paused_;
    }

    // Scripted behaviour; set before use.
    std::set<std::string> unopenable;
    std::set<std::string> unstartable;
    bool neverReady = false;
    long length = 0;
    long position = 0;

    // Recorded calls (read them when no other thread runs).
    std::vector<std::string> started;
    int openCount = 0;
    int pauseCalls = 0;

private:
    void closeLocked()
    {
        isOpen_ = false;
        handler_ = nullptr;
        openPath_.clear();
    }

    mutable std::mutex mutex_;
    std::string openPath_;
    EndHandler handler_;
    bool isOpen_ = false;
    bool paused_ = false;
};
