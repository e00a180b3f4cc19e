#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

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
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) continue;
        std::string name = it->path().filename().string();
        if (name.size() < extension.size()) continue;
        if (::strcasecmp(name.c_str() + name.size() - extension.size(), extension.c_str()) != 0)
            continue;
        names.push_back(std::move(name));
    }
    return names;
}
