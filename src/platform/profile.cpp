#include "platform/profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"
#include "platform/files.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The blanks the Windows profile reader ignores around names and values; ^Z is the DOS
// end-of-file mark found in old files.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == '\x1a';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string systemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

}  // namespace

int parseProfileInt(const std::string& text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t base = 10;
    if (i + 1 < n && text[i] == '0') {
        if (text[i + 1] == 'x') base = 16;
        if (text[i + 1] == 'o') base = 8;
        if (text[i + 1] == 'b') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t total = 0;  // unsigned, so that overflow wraps as on Windows
    for (; i < n; ++i) {
        const char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'z') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        total = total * base + digit;
    }
    if (negative) total = 0u - total;
    return static_cast<int>(total);
}

void cutProfileText(std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes) return;
    size_t cut = maxBytes;
    // If the first dropped byte continues a UTF-8 sequence, drop the whole sequence.
    size_t lead = cut;
    while (lead > 0 && cut - lead < 3 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < cut) {
        const auto c = static_cast<unsigned char>(text[lead]);
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length > 1 && lead + length > cut) cut = lead;
    }
    text.resize(cut);
}

ProfileFile::Line ProfileFile::makeLine(std::string text, std::string end)
{
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    const std::string_view content = trim(line.text);
    if (content.empty()) {
        line.kind = Kind::Blank;
    } else if (content.front() == ';') {
        line.kind = Kind::Comment;
    } else if (content.front() == '[' && content.find(']') != std::string_view::npos) {
        line.kind = Kind::Section;
        line.name = lowerAscii(trim(content.substr(1, content.find(']') - 1)));
    } else if (const size_t equals = line.text.find('='); equals != std::string::npos) {
        line.kind = Kind::Key;
        line.name = lowerAscii(trim(std::string_view(line.text).substr(0, equals)));
        size_t start = equals + 1;
        while (start < line.text.size() && isBlank(line.text[start])) ++start;
        line.valueStart = start;
    } else {
        line.kind = Kind::Other;
    }
    return line;
}

ProfileFile ProfileFile::fromText(const std::string& bytes)
{
    ProfileFile file;
    file.status_ = LoadStatus::Loaded;
    std::string_view rest = bytes;
    if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        file.byteOrderMark_ = true;
        rest.remove_prefix(kByteOrderMark.size());
    }
    while (!rest.empty()) {
        const size_t end = rest.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            file.lines_.push_back(makeLine(std::string(rest), ""));
            break;
        }
        const size_t endLength =
            (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
        file.lines_.push_back(
            makeLine(std::string(rest.substr(0, end)), std::string(rest.substr(end, endLength))));
        rest.remove_prefix(end + endLength);
    }
    return file;
}

ProfileFile ProfileFile::load(const std::string& path)
{
    ProfileFile empty;
    // O_NONBLOCK: opening a FIFO given as the settings path must not hang start-up.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        // A path through a regular file (ENOTDIR) names no file either.
        if (errno == ENOENT || errno == ENOTDIR) {
            empty.status_ = LoadStatus::Missing;
        } else {
            empty.status_ = LoadStatus::Unreadable;
            empty.loadError_ = systemError(path, errno);
        }
        return empty;
    }
    // A folder, FIFO or device (/dev/zero would never end) is no settings file; reading it as
    // empty and later saving over it would be wrong, so it counts as unreadable.
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        empty.status_ = LoadStatus::Unreadable;
        empty.loadError_ = path + ": not a regular file";
        return empty;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            empty.status_ = LoadStatus::Unreadable;
            empty.loadError_ = systemError(path, errno);
            return empty;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return fromText(bytes);
}

std::optional<std::pair<size_t, size_t>> ProfileFile::sectionLines(const std::string& section) const
{
    const std::string name = lowerAscii(trim(section));
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || lines_[i].name != name) continue;
        size_t last = i + 1;
        while (last < lines_.size() && lines_[last].kind != Kind::Section) ++last;
        return std::make_pair(i + 1, last);
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::find(const std::string& section,
                                             const std::string& key) const
{
    const auto range = sectionLines(section);
    if (!range) return std::nullopt;
    const std::string name = lowerAscii(trim(key));
    for (size_t i = range->first; i < range->second; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Key || line.name != name) continue;
        std::string_view value = trim(std::string_view(line.text).substr(line.valueStart));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::nullopt;
}

std::string ProfileFile::getString(const std::string& section, const std::string& key,
                                   const std::string& defaultText, int bufferSize) const
{
    if (bufferSize <= 0) return {};
    std::optional<std::string> value = find(section, key);
    std::string result;
    if (value) {
        // The Windows call hands out a C string: a NUL byte (a binary file) ends the value.
        result = value->substr(0, value->find('\0'));
    } else {
        // Windows drops the default's trailing blanks.
        const size_t end = defaultText.find_last_not_of(' ');
        result = end == std::string::npos ? std::string() : defaultText.substr(0, end + 1);
    }
    cutProfileText(result, static_cast<size_t>(bufferSize - 1));
    return result;
}

int ProfileFile::getInt(const std::string& section, const std::string& key, int defaultValue) const
{
    const std::optional<std::string> value = find(section, key);
    if (!value || value->empty()) return defaultValue;
    return parseProfileInt(*value);
}

std::string ProfileFile::newLineEnd() const
{
    for (const Line& line : lines_) {
        if (!line.end.empty()) return line.end;
    }
    return "\n";
}

void ProfileFile::setString(const std::string& section, const std::string& key,
                            const std::optional<std::string>& text)
{
    std::string value;
    if (text) value = text->substr(0, text->find_first_of("\r\n"));
    const std::string end = newLineEnd();
    const auto range = sectionLines(section);
    if (!range) {
        if (!text) return;
        if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = end;
        lines_.push_back(makeLine("[" + section + "]", end));
        lines_.push_back(makeLine(key + "=" + value, end));
        return;
    }
    const std::string name = lowerAscii(trim(key));
    if (!text) {
        for (size_t i = range->second; i-- > range->first;) {
            if (lines_[i].kind == Kind::Key && lines_[i].name == name)
                lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return;
    }
    size_t insertAt = range->first;
    for (size_t i = range->first; i < range->second; ++i) {
        Line& line = lines_[i];
        if (line.kind == Kind::Key && line.name == name) {
            line = makeLine(line.text.substr(0, line.valueStart) + value, line.end);
            return;
        }
        // Blank lines and comments at the end of a section stay with the next section.
        if (line.kind == Kind::Key || line.kind == Kind::Other) insertAt = i + 1;
    }
    if (lines_[insertAt - 1].end.empty()) lines_[insertAt - 1].end = end;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  makeLine(key + "=" + value, end));
}

std::string ProfileFile::text() const
{
    std::string out;
    if (byteOrderMark_) out.append(kByteOrderMark);
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

bool ProfileFile::save(const std::string& path, std::string& error) const
{
    return replaceFileContents(path, text(), &error);
}

std::string getPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultText, const std::string& path,
                                    int bufferSize)
{
    return ProfileFile::load(path).getString(section, key, defaultText, bufferSize);
}

int getPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& path)
{
    return ProfileFile::load(path).getInt(section, key, defaultValue);
}

bool writePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& text, const std::string& path)
{
    ProfileFile file = ProfileFile::load(path);
    if (file.status() == ProfileFile::LoadStatus::Unreadable) {
        std::fprintf(stderr, "Cannot update %s: %s\n", path.c_str(), file.loadError().c_str());
        return false;
    }
    const std::string before = file.text();
    file.setString(section, key, text);
    const std::string after = file.text();
    if (after == before && (file.status() == ProfileFile::LoadStatus::Loaded || after.empty()))
        return true;
    std::string error;
    if (!file.save(path, error)) {
        std::fprintf(stderr, "Cannot write %s\n", error.c_str());
        return false;
    }
    return true;
}
