#include "platform/process.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Owns a posix_spawn_file_actions_t for the duration of one spawn.
class FileActions {
public:
    FileActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~FileActions()
    {
        if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
    }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
    bool ok_ = false;
};

// Owns a posix_spawnattr_t that gives the child default signal handling and an empty signal
// mask: whatever the launcher ignores or blocks (SIGPIPE, signals SDL handles) must not leak
// into the emulator.
class SpawnAttributes {
public:
    SpawnAttributes()
    {
        initialized_ = ::posix_spawnattr_init(&attributes_) == 0;
        if (!initialized_) return;
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        ok_ = ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
              ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
              ::posix_spawnattr_setflags(&attributes_,
                                         POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0;
    }
    ~SpawnAttributes()
    {
        if (initialized_) ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    bool ok() const { return ok_; }
    const posix_spawnattr_t* get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
    bool initialized_ = false;
    bool ok_ = false;
};

struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0) ::close(fd);
    }
};

ProcessResult failed(ProcessFailure failure, std::string error)
{
    ProcessResult result;
    result.failure = failure;
    result.exitCode = -1;
    result.error = std::move(error);
    return result;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    size_t i = 0;
    const size_t n = commandLine.size();
    while (i < n) {
        const char c = commandLine[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            size_t slashes = 0;
            while (i < n && commandLine[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < n && commandLine[i] == '"') {
                word.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    word += '"';
                    ++i;
                }
                // An even count leaves the quote to the next pass, where it quotes.
            } else {
                word.append(slashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                word += '"';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        word += c;
        ++i;
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

ProcessResult runProcess(const ProcessRequest& request)
{
    std::vector<std::string> words = splitCommandLine(request.commandLine);
    if (words.empty()) return failed(ProcessFailure::EmptyCommand, "empty command line");

    // The child changes folder before it executes, so a relative program path must be made
    // absolute here to keep meaning what it means to the launcher.
    if (words[0].find('/') != std::string::npos && words[0][0] != '/') {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(words[0], ec);
        if (!ec) words[0] = absolute.string();
    }

    FileActions actions;
    if (!actions.ok()) return failed(ProcessFailure::CannotStart, "posix_spawn_file_actions_init");

    FdCloser output{-1};
    if (request.output == ProcessOutput::CaptureFile) {
        output.fd =
            ::open(request.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (output.fd < 0) {
            return failed(ProcessFailure::CannotCreateOutput,
                          request.outputPath + ": " + std::strerror(errno));
        }
        // dup2 in the child clears close-on-exec on the copies only.
        if (::posix_spawn_file_actions_adddup2(actions.get(), output.fd, STDOUT_FILENO) != 0 ||
            ::posix_spawn_file_actions_adddup2(actions.get(), output.fd, STDERR_FILENO) != 0) {
            return failed(ProcessFailure::CannotStart, "posix_spawn_file_actions_adddup2");
        }
    }
    if (!request.workingDirectory.empty()) {
        struct stat info;
        if (::stat(request.workingDirectory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            return failed(ProcessFailure::CannotStart,
                          "working folder " + request.workingDirectory + " does not exist");
        }
        if (::posix_spawn_file_actions_addchdir_np(actions.get(),
                                                   request.workingDirectory.c_str()) != 0) {
            return failed(ProcessFailure::CannotStart, "posix_spawn_file_actions_addchdir_np");
        }
    }

    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    SpawnAttributes attributes;
    if (!attributes.ok()) return failed(ProcessFailure::CannotStart, "posix_spawnattr_init");

    pid_t pid = -1;
    const int spawnError =
        ::posix_spawnp(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ);
    if (spawnError != 0) {
        return failed(ProcessFailure::CannotStart, words[0] + ": " + std::strerror(spawnError));
    }
    // The child holds its own copies now; close ours before the long wait.
    if (output.fd >= 0) {
        ::close(output.fd);
        output.fd = -1;
    }

    int status = 0;
    pid_t waited;
    for (;;) {
        waited = ::waitpid(pid, &status, request.whileWaiting ? WNOHANG : 0);
        if (waited < 0 && errno == EINTR) continue;
        if (waited != 0) break;
        request.whileWaiting();
        ::usleep(100 * 1000);
    }
    if (waited != pid) {
        return failed(ProcessFailure::CannotWait, std::string("waitpid: ") + std::strerror(errno));
    }

    ProcessResult result;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.exitCode = 128 + WTERMSIG(status);
    } else {
        result.exitCode = -1;
    }
    return result;
}
