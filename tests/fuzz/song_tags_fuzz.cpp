// Song tags: a music file's ID3v2 and ID3v1 tags through TagLib, and the rules that turn them
// into the music bar's title and artist.
#include <string>

#include "fuzz_scratch.h"
#include "music/song_tags.h"
#include "platform/tag_reader_taglib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile scratch(".mp3");
    TagLibTagReader reader;
    Song song{scratch.write(fuzz::asText(data, size)), std::nullopt, std::nullopt};
    readSongTags(reader, song);
    FUZZ_CHECK(!songDisplayTitle(song).empty());
    FUZZ_CHECK(!songDisplayArtist(song).empty());
    return 0;
}
