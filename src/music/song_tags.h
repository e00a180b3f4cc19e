// Titles and artists for the music bar, taken from a song's ID3 tags.
#pragma once

#include <string>
#include <string_view>

#include "music/song.h"
#include "platform/tag_reader.h"

// `text` without leading and trailing white space (blank, tab, line feed, vertical tab, form
// feed, carriage return). White space only gives the empty string.
std::string trimSpaces(std::string_view text);

// Fills the song's title and artist from the tags of its file, each from the ID3v2 frame
// (TIT2, TPE1) when it holds at least one character, else from the ID3v1 field when that holds
// at least two, trimmed; a field stays absent otherwise. The length rule looks at the untrimmed
// value, so a value of blanks gives an empty text. Does nothing when the song already has a
// title or an artist: tags found once stay with the song.
void readSongTags(TagReader& reader, Song& song);

// The same rules applied to fields already read.
void applySongTags(const TagFields& fields, Song& song);

// What the music bar calls the song: its title when not empty, else its file name without
// folder and extension, else "Unknown"; never empty.
std::string songDisplayTitle(const Song& song);

// The song's artist when not empty, else "Unknown".
std::string songDisplayArtist(const Song& song);
