#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"

namespace {

constexpr std::string_view kTemporaryMark = ".quorvane-tmp";
constexpr int kMaxLinkHops = 40;  // as the kernel's own limit, so a link loop ends

std::optional<WriteFault> injectedFault;

std::string errnoText(const std::string& what, int err) { return what + ": " + std::strerror(err); }

void setError(std::string* error, std::string text)
{
    if (error != nullptr) *error = std::move(text);
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes all of `data`, retrying short writes and interrupted calls.
bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The file a write of `path` must replace: links followed one by one (relative ones from their
// own folder) down to the first name that is not a link, existing or not. realpath() cannot be
// used, since it fails on a dangling link, whose target is exactly what must be created.
std::optional<std::string> writeTarget(const std::string& path, std::string* error)
{
    std::string target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 0) + 256, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<size_t>(n) == link.size()) {
            setError(error, errnoText(path, n < 0 ? errno : ENAMETOOLONG));
            return std::nullopt;
        }
        link.resize(static_cast<size_t>(n));
        if (link.empty()) break;
        target = link.front() == '/' ? link : folderOf(target) + "/" + link;
    }
    setError(error, errnoText(path, ELOOP));
    return std::nullopt;
}

std::string temporaryPath(const std::string& target, int attempt)
{
    return folderOf(target) + "/." + nameOf(target) + "." + std::to_string(::getpid()) + "-" +
           std::to_string(attempt) + std::string(kTemporaryMark);
}

// The writing process's id when `name` is one of our temporary names for `targetName`.
std::optional<pid_t> temporaryOwner(std::string_view name, const std::string& targetName)
{
    const std::string prefix = "." + targetName + ".";
    if (name.size() <= prefix.size() + kTemporaryMark.size() ||
        name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - kTemporaryMark.size()) != kTemporaryMark) {
        return std::nullopt;
    }
    const std::string_view middle =
        name.substr(prefix.size(), name.size() - prefix.size() - kTemporaryMark.size());
    const size_t dash = middle.find('-');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() < 10 &&
               text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !digits(middle.substr(0, dash)) ||
        !digits(middle.substr(dash + 1))) {
        return std::nullopt;
    }
    return static_cast<pid_t>(std::stol(std::string(middle.substr(0, dash))));
}

}  // namespace

bool fileExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

std::string temporaryFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && tmp[0] != '\0') return tmp;
    return "/tmp";
}

std::optional<std::string> createTemporaryFile(const std::string& folder, const std::string& prefix,
                                               std::string* error)
{
    std::string pattern = folder.empty() ? std::string(".") : folder;
    if (pattern.back() != '/') pattern.push_back('/');
    pattern.append(prefix).append("XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        setError(error, errnoText("cannot create a temporary file in " + folder, errno));
        return std::nullopt;
    }
    ::close(fd);
    return std::string(name.data());
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

bool replaceFileContents(const std::string& path, const std::string& contents, std::string* error)
{
    const std::optional<std::string> target = writeTarget(path, error);
    if (!target) return false;
    struct stat old {};
    const bool exists = ::stat(target->c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        setError(error, path + ": not a regular file");
        return false;
    }
    // The owner's write bit, not access(): root may write anything, and cabinets often run the
    // launcher as root, yet a file its owner made read-only must stay as it is.
    if (exists && (old.st_mode & S_IWUSR) == 0) {
        setError(error, path +
                            ": the file is read-only (its owner has no write permission), so "
                            "it was left unchanged");
        return false;
    }
    if (exists && ::access(target->c_str(), W_OK) != 0) {
        setError(error, errnoText(path, errno));
        return false;
    }

    // The temporary file must be in the target's folder: rename is atomic only within one file
    // system.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryPath(*target, attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        setError(error, errnoText(path, errno));
        return false;
    }
    FileDescriptor file(fd);
    auto fail = [&](int code) {
        setError(error, errnoText(path, code));
        if (file.get() >= 0) file.close();
        ::unlink(temporary.c_str());
        return false;
    };
    size_t length = contents.size();
    if (injectedFault && injectedFault->stopAfterBytes)
        length = std::min(length, *injectedFault->stopAfterBytes);
    if (!writeAll(file.get(), contents.data(), length)) return fail(errno);
    if (length < contents.size()) return fail(injectedFault->error);
    if (exists) {
        if (::fchmod(file.get(), old.st_mode & 07777) != 0) return fail(errno);
        // Keep the owner when root saves a user's file; for anyone else this fails harmlessly
        // because the owner is already right.
        [[maybe_unused]] const int ignored = ::fchown(file.get(), old.st_uid, old.st_gid);
    }
    if (::fsync(file.get()) != 0) return fail(errno);
    if (file.close() != 0) return fail(errno);
    if (injectedFault && injectedFault->beforeRename) injectedFault->beforeRename();
    if (::rename(temporary.c_str(), target->c_str()) != 0) return fail(errno);

    // Make the rename itself durable; a failure here leaves a complete file either way.
    FileDescriptor folder(::open(folderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
}

int removeStaleWriteTemporaries(const std::string& path)
{
    const std::optional<std::string> target = writeTarget(path, nullptr);
    if (!target) return 0;
    const std::string folder = folderOf(*target);
    const std::string targetName = nameOf(*target);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) return 0;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::optional<pid_t> owner = temporaryOwner(entry->d_name, targetName);
        if (!owner) continue;
        // A file of a writer that still runs (another launcher on the same folder) is in use.
        // Our own id is a previous run's that the system handed out again.
        if (*owner != ::getpid() && (::kill(*owner, 0) == 0 || errno != ESRCH)) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            stale.emplace_back(entry->d_name);
        }
    }
    int removed = 0;
    for (const std::string& name : stale) {
        if (::unlinkat(::dirfd(dir.get()), name.c_str(), 0) != 0) continue;
        std::fprintf(stderr, "Removed %s/%s, left behind by an interrupted write of %s\n",
                     folder.c_str(), name.c_str(), path.c_str());
        ++removed;
    }
    return removed;
}

void injectWriteFault(std::optional<WriteFault> fault) { injectedFault = std::move(fault); }

void forEachFileWithExtension(const std::string& folder, const std::string& extension,
                              const std::function<void(std::string_view name)>& visit)
{
    // readdir directly: a cabinet's ROM folder holds tens of thousands of files, and the file
    // type it reports saves a stat per entry on the usual file systems. No list of the names
    // is kept: the caller looks each one up as it comes.
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) return;
    const size_t extensionLength = extension.size();
    while (const dirent* entry = ::readdir(dir.get())) {
        const size_t length = std::strlen(entry->d_name);
        if (length < extensionLength ||
            ::strcasecmp(entry->d_name + length - extensionLength, extension.c_str()) != 0) {
            continue;
        }
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // Links count by what they point to.
            struct stat info {};
            regular = ::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0 &&
                      S_ISREG(info.st_mode);
        }
        if (regular) visit(std::string_view(entry->d_name, length));
    }
}
