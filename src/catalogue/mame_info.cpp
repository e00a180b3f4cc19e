// The reader keeps a quirk of the file layout it was made for: the text lines of an entry are
// followed by blank separator lines, so after each stored non-empty line the next line is read
// and dropped unexamined.
#include "catalogue/mame_info.h"

#include <cstring>
#include <memory>
#include <vector>

#include "catalogue/history_xml.h"

namespace {

constexpr size_t kLineBuffer = 1024;

enum class State { Outside, Opened, Stored, Skipped };

bool startsWith(const char* line, const char* prefix)
{
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// One piece of at most 1023 bytes, as fgets gives it, with a CR before the final LF removed so
// that files written on Windows read the same. False at the end of the file or on a read error.
bool readPiece(std::FILE* file, char (&buffer)[kLineBuffer])
{
    if (std::fgets(buffer, sizeof buffer, file) == nullptr) return false;
    const size_t length = std::strlen(buffer);
    if (length >= 2 && buffer[length - 2] == '\r' && buffer[length - 1] == '\n') {
        buffer[length - 2] = '\n';
        buffer[length - 1] = '\0';
    }
    return true;
}

}  // namespace

int readMameInfo(std::FILE* file, GameTable& table)
{
    char line[kLineBuffer];
    std::string name;
    std::vector<std::string> lines;
    State state = State::Outside;
    bool invalid = false;

    // A read error (a folder given as the file, an I/O fault) ends the loop as the end of the
    // file does; testing only for the end of the file would loop for ever.
    while (!std::feof(file) && !std::ferror(file)) {
        if (!readPiece(file, line)) continue;
        if (line[0] == '\0' || line[0] == '#') continue;
        const size_t length = std::strlen(line);
        if (line[length - 1] == '\n') line[length - 1] = '\0';

        if (startsWith(line, "$info")) {
            if (state != State::Outside) {
                invalid = true;
                break;
            }
            state = State::Opened;
            name = std::strlen(line) > 6 ? std::string(line + 6) : std::string();
        } else if (startsWith(line, "$mame")) {
            if (state != State::Opened) {
                invalid = true;
                break;
            }
            state = State::Stored;
        } else if (startsWith(line, "$drv")) {
            if (state != State::Opened) {
                invalid = true;
                break;
            }
            state = State::Skipped;
        } else if (startsWith(line, "$end")) {
            if (state != State::Stored && state != State::Skipped) {
                invalid = true;
                break;
            }
            state = State::Outside;
            GameRecord* game = table.index ? table.index->lookup(&name) : nullptr;
            if (game != nullptr) game->infoLines = std::move(lines);
            lines.clear();
        } else if (state == State::Stored) {
            lines.emplace_back(line);
            if (line[0] != '\0') readPiece(file, line);
        }
    }
    if (invalid) std::printf("invalid state found!!!\n");
    if (std::ferror(file)) return 0;
    return state == State::Outside ? 1 : 0;
}

int checkMameInfo(const std::string& path)
{
    if (std::unique_ptr<std::FILE, FileCloser>(std::fopen(path.c_str(), "r"))) return 1;
    std::printf("Error opening file: [%s]\n", path.c_str());
    std::fflush(stdout);
    return 0;
}

int loadMameInfo(const std::string& path, GameTable& table)
{
    // The same setting may name today's XML history file; its content tells which it is.
    if (looksLikeXmlFile(path)) return loadHistoryXml(path, table);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
    if (!file) {
        std::printf("Error opening file: [%s]\n", path.c_str());
        std::fflush(stdout);
        return 0;
    }
    if (readMameInfo(file.get(), table) == 0)
        std::printf("Failed to load data from mameinfo.dat!\n");
    std::fflush(stdout);
    return 1;
}
