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
        handler_ = nullptr;
        openPath = unopenable.count(path) != 0 ? "" : path;
        if (!openPath.empty()) {
            handler_ = std::move(onEnd);
        }
        return !openPath.empty();
    }
    bool start() override
    {
        if (openPath.empty() || unstartable.count(openPath) != 0) {
            return false;
        }
        started.push_back(openPath);
        paused = false;
        return true;
    }
    bool ready() const override { return !openPath.empty() && !neverReady; }
    void close() override
    {
        std::lock_guard lock(mutex_);
        handler_ = nullptr;
        openPath.clear();
    }
    long lengthMs() const override { return openPath.empty() ? 0 : length; }
    long positionMs() const override { return openPath.empty() ? 0 : position; }
    void setPaused(bool value) override
    {
        paused = value;
        ++pauseCalls;
    }

    // Plays the open stream to its end: runs its end handler once, on the calling thread
    // (standing in for the audio thread). False when no handler was armed.
    bool finish()
    {
        std::lock_guard lock(mutex_);
        EndHandler handler = std::exchange(handler_, nullptr);
        if (handler) {
            handler();
        }
        return static_cast<bool>(handler);
    }

    // Scripted behaviour.
    std::set<std::string> unopenable;
    std::set<std::string> unstartable;
    bool neverReady = false;
    long length = 0;
    long position = 0;
    // State and recorded calls; only the end handler is touched from another thread.
    std::string openPath;
    std::vector<std::string> started;
    bool paused = false;
    int openCount = 0;
    int pauseCalls = 0;

private:
    std::mutex mutex_;
    EndHandler handler_;
};
