// The playlist file: one music file per line, long lines cut into pieces.
#include <string>

#include "fuzz_scratch.h"
#include "music/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile scratch(".m3u");
    const auto songs = loadPlaylist(scratch.write(fuzz::asText(data, size)));
    FUZZ_CHECK(songs.has_value());
    size_t bytes = 0;
    for (const Song& song : *songs) {
        FUZZ_CHECK(song.filename.size() <= kPlaylistPieceLength);
        FUZZ_CHECK(song.filename.find('\n') == std::string::npos);
        bytes += song.filename.size();
    }
    FUZZ_CHECK(bytes <= size);
    return 0;
}
