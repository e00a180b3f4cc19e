#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::Result SingleInstance::acquire(const std::string& name)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return acquireIn(runtime, name);
    return acquireIn("/tmp", name + "-" + std::to_string(::getuid()));
}

SingleInstance::Result SingleInstance::acquireIn(const std::string& directory,
                                                 const std::string& name)
{
    Result result;
    const std::string path = directory + "/" + name + ".lock";
    auto fail = [&](int code) {
        result.status = Status::Error;
        result.errorCode = code;
        result.error = path + ": " + std::strerror(code);
        return std::move(result);
    };
    // O_NOFOLLOW: in a shared folder such as /tmp a planted link must not redirect the file.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return fail(errno);
    // flock locks belong to the open file description, so a second open of the same file, even
    // in this process, sees the lock as taken.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK) {
            result.status = Status::AlreadyRunning;
            return result;
        }
        return fail(code);
    }
    result.status = Status::Acquired;
    result.guard.reset(new SingleInstance(fd, path));
    return result;
}

SingleInstance::~SingleInstance() { ::close(fd_); }
