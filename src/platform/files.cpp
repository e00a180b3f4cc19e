#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

std::string errnoText(const std::string& what, int err) { return what + ": " + std::strerror(err); }

void setError(std::string* error, std::string text)
{
    if (error != nullptr) *error = std::move(text);
}

// Writes all of `data`, retrying short writes and interrupted calls.
bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool fileExists(const std::string& path)
{
    if (path.empty()) return false;
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!hasWildcard(name)) {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0;
    }
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (::fnmatch(name.c_str(), it->path().filename().c_str(), 0) == 0) return true;
    }
    return false;
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
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    auto temp = createTemporaryFile(folder.empty() ? "/" : folder, "." + base + ".", error);
    if (!temp) return false;

    // mkstemp creates the file 0600; a replaced file should keep the permissions it had, and a
    // new one gets the usual ones.
    struct stat old;
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;

    const int fd = ::open(temp->c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0;
    int err = ok ? 0 : errno;
    if (ok && !writeAll(fd, contents.data(), contents.size())) {
        ok = false;
        err = errno;
    }
    if (ok && ::fchmod(fd, mode) != 0) {
        // Not worth failing the write for: the file is still complete.
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp->c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp->c_str());
        setError(error, errnoText("cannot write " + path, err));
    }
    return ok;
}

std::vector<std::string> listFilesWithExtension(const std::string& folder,
                                                const std::string& extension)
{
    // readdir directly: a cabinet's ROM folder holds tens of thousands of files, and the file
    // type it reports saves a stat per entry on the usual file systems.
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir) return names;
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
        if (regular) names.emplace_back(entry->d_name, length);
    }
    return names;
}
