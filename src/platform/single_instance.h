// Keeps a second launcher from starting: the first one holds an exclusive lock on a file named
// after the guard's name, and the lock goes away with the process however it ends (no stale
// state to clean up after a crash).
#pragma once

#include <memory>
#include <string>
#include <utility>

class SingleInstance {
public:
    enum class Status {
        Acquired,        // this process is the only one; `guard` holds the lock
        AlreadyRunning,  // another holder exists
        Error,           // the lock could not be tried; `errorCode`/`error` say why
    };
    struct Result {
        Status status = Status::Error;
        std::unique_ptr<SingleInstance> guard;  // set only when Acquired
        int errorCode = 0;                      // errno, when Error
        std::string error;                      // "<lock path>: <system text>", when Error
    };

    // Tries to take the lock "<dir>/<name>.lock", where dir is $XDG_RUNTIME_DIR (a per-user
    // folder) when set, else /tmp with the user id added to the name so that users do not block
    // each other. Never blocks. The lock file is opened close-on-exec, so a launched emulator
    // does not inherit the lock and keep it after the launcher ends. Main thread, at start-up.
    static Result acquire(const std::string& name);

    // The same with an explicit folder for the lock file (tests).
    static Result acquireIn(const std::string& directory, const std::string& name);

    // Releases the lock.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    const std::string& lockPath() const { return path_; }

private:
    SingleInstance(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_;
    std::string path_;
};
