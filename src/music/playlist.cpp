#include "music/playlist.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::optional<std::vector<Song>> loadPlaylist(const std::string& path)
{
    std::error_code error;
    std::unique_ptr<std::FILE, FileCloser> file;
    // Only a regular file is read: a folder holds no lines, a FIFO would block the start for
    // ever and a device such as /dev/zero never ends.
    const bool regular = std::filesystem::is_regular_file(path, error);
    if (!regular && std::filesystem::exists(path, error)) {
        std::fprintf(stderr, "The playlist [%s] is not a regular file\n", path.c_str());
    }
    if (regular) {
        file.reset(std::fopen(path.c_str(), "rb"));
    }
    if (!file) {
        std::fputs("Failed to load playlist file\n", stdout);
        return std::nullopt;
    }

    std::vector<Song> songs;
    std::string piece;
    bool lineHasPieces = false;  // a piece of the current line was already stored
    auto storePiece = [&] {
        songs.push_back(Song{piece, std::nullopt, std::nullopt});
        piece.clear();
        lineHasPieces = true;
    };
    int c = 0;
    while ((c = std::getc(file.get())) != EOF) {
        if (c == '\n') {
            if (!piece.empty() && piece.back() == '\r') {
                piece.pop_back();
            }
            // A line of exactly a whole number of pieces has nothing left over: no extra entry.
            if (!piece.empty() || !lineHasPieces) {
                storePiece();
            }
            piece.clear();
            lineHasPieces = false;
            continue;
        }
        if (piece.size() == kPlaylistPieceLength) {
            storePiece();
        }
        piece.push_back(static_cast<char>(c));
    }
    if (!piece.empty()) {
        storePiece();
    }
    return songs;
}
