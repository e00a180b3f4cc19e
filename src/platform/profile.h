// Private-profile (INI) files with the contract of the Windows profile functions, so that a
// settings file written by hand on Windows reads here exactly as it reads there.
//
// Reading rules (those of GetPrivateProfileStringA / GetPrivateProfileIntA):
// - Line ends may be CRLF, LF or a lone CR; a UTF-8 byte-order mark at the start is skipped.
// - "[name]" starts a section; blanks inside the brackets are ignored, text after ']' too.
// - "key = value": blanks around the key and around the value are ignored; the first '=' splits.
//   A value wrapped in one pair of matching quotes ("..." or '...') loses them.
// - Lines starting with ';', blank lines and lines without '=' are never keys.
// - Section and key names match without regard to ASCII case (and to surrounding blanks).
// - When a section name appears twice only the first section counts, and within it the first
//   line of a key wins.
//
// Writing keeps every line that is not changed byte for byte (byte-order mark and line-end style
// included), and replaces the file atomically: a crash or a full disk can never leave it
// half-written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The default buffer of the Windows calls the launcher makes (256 bytes, size argument 255):
// values are cut to 254 bytes.
inline constexpr int kProfileBufferSize = 255;

// Converts a profile value to a number the way GetPrivateProfileIntA does (RtlCharToInteger,
// base 0): leading blanks and control characters skipped, an optional '+' or '-', then "0x",
// "0o" or "0b" select hexadecimal, octal or binary, else decimal; conversion stops at the first
// character that is not a digit of the base; overflow wraps modulo 2^32. "42abc" gives 42, "abc"
// gives 0, "-1" gives -1.
int parseProfileInt(const std::string& text);

// Cuts `text` to at most `maxBytes` bytes without splitting a UTF-8 sequence in two.
void cutProfileText(std::string& text, size_t maxBytes);

// One INI file in memory: parsed once, queried and changed many times, written once.
// Not thread-safe; copyable.
class ProfileFile {
public:
    enum class LoadStatus {
        Loaded,      // the file was read
        Missing,     // no file at the path (reads as empty)
        Unreadable,  // the file exists but could not be read (reads as empty; must not be saved
                     // over, or its contents would be lost)
    };

    ProfileFile() = default;

    // Reads the file at `path`. Never fails: a missing or unreadable file (or anything that is
    // not a regular file: a folder, a FIFO, a device) gives an empty profile, with the reason in
    // status() and, for Unreadable, the reason in loadError().
    static ProfileFile load(const std::string& path);

    // A profile holding `bytes` as if read from a file (for tests and in-memory use).
    static ProfileFile fromText(const std::string& bytes);

    LoadStatus status() const { return status_; }
    const std::string& loadError() const { return loadError_; }

    // The value of `key` in `section` (blanks and one pair of quotes removed, not cut), or
    // nothing when the section or key is absent.
    std::optional<std::string> find(const std::string& section, const std::string& key) const;

    // GetPrivateProfileStringA: the value (up to a NUL byte), else `defaultText` without its
    // trailing blanks; cut to bufferSize - 1 bytes (nothing for bufferSize <= 0).
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultText,
                          int bufferSize = kProfileBufferSize) const;

    // GetPrivateProfileIntA: the value converted by parseProfileInt, else `defaultValue`. An
    // empty value also gives the default, as on Windows NT.
    int getInt(const std::string& section, const std::string& key, int defaultValue) const;

    // WritePrivateProfileStringA on the in-memory text: replaces the value of the first `key` line
    // of the first `section` (keeping the key's spelling and the blanks before the value), or
    // appends "key=text" after the last entry of the section, or appends the section at the end
    // of the file. An absent `text` removes every line of the key in that section. The text is
    // cut at its first line break so that it cannot add lines of its own.
    void setString(const std::string& section, const std::string& key,
                   const std::optional<std::string>& text);

    // The whole file as it would be written now.
    std::string text() const;

    // Writes text() to `path` atomically (see replaceFileContents: links are followed, a
    // read-only file is refused). Returns false, with the path and the reason in `error`, when it
    // could not; the file on disk is then unchanged.
    bool save(const std::string& path, std::string& error) const;

private:
    enum class Kind { Blank, Comment, Section, Key, Other };
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n", "\r" or "" (only possible on the last line)
        Kind kind = Kind::Blank;
        std::string name;       // section or key name, trimmed and in lower case
        size_t valueStart = 0;  // Key: offset of the value's first non-blank character
    };
    static Line makeLine(std::string text, std::string end);
    // Index range [first, last) of the lines of the first section named `section` (the header
    // excluded), or nothing.
    std::optional<std::pair<size_t, size_t>> sectionLines(const std::string& section) const;
    std::string newLineEnd() const;

    std::vector<Line> lines_;
    bool byteOrderMark_ = false;
    LoadStatus status_ = LoadStatus::Missing;
    std::string loadError_;
};

// The single-call functions of the Windows contract; each reads (and writes) the whole file.
// Prefer ProfileFile when reading or writing many keys.
std::string getPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultText, const std::string& path,
                                    int bufferSize = kProfileBufferSize);
int getPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& path);
// Returns false, after a line on standard error, when the file could not be written (or could not
// be read, which would otherwise lose its contents).
bool writePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& text, const std::string& path);
