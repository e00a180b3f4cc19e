#include "music/song_tags.h"

#include <cstddef>
#include <optional>

namespace {

// The classic-locale isspace set, spelled out so the result never depends on the locale.
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Characters, not bytes: tag texts arrive as UTF-8 and the rule counts letters.
std::size_t characterCount(const std::string& text)
{
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

// An ID3v2 value on disk starts with its encoding byte, so "longer than one character" there
// means at least one character of text; an ID3v1 value has no such byte.
std::optional<std::string> pickField(const std::optional<std::string>& id3v2,
                                     const std::optional<std::string>& id3v1)
{
    if (id3v2 && characterCount(*id3v2) + 1 > 1) {
        return trimSpaces(*id3v2);
    }
    if (id3v1 && characterCount(*id3v1) > 1) {
        return trimSpaces(*id3v1);
    }
    return std::nullopt;
}

}  // namespace

std::string trimSpaces(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && isSpace(text[end - 1])) {
        --end;
    }
    std::size_t begin = 0;
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    return std::string(text.substr(begin, end - begin));
}

void applySongTags(const TagFields& fields, Song& song)
{
    if (song.title || song.artist) {
        return;
    }
    song.title = pickField(fields.id3v2Title, fields.id3v1Title);
    song.artist = pickField(fields.id3v2Artist, fields.id3v1Artist);
}

void readSongTags(TagReader& reader, Song& song)
{
    if (song.title || song.artist) {
        return;
    }
    applySongTags(reader.read(song.filename), song);
}

std::string songDisplayTitle(const Song& song)
{
    if (song.title && !song.title->empty()) {
        return *song.title;
    }
    std::string_view name = song.filename;
    // Playlists written on Windows use backslashes; both separate folders here.
    if (auto slash = name.find_last_of("/\\"); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (auto dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    return name.empty() ? std::string("Unknown") : std::string(name);
}

std::string songDisplayArtist(const Song& song)
{
    return song.artist && !song.artist->empty() ? *song.artist : std::string("Unknown");
}
