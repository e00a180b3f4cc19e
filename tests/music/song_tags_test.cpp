#include "music/song_tags.h"

#include <gtest/gtest.h>

#include "music/music_test_files.h"
#include "platform/tag_reader_taglib.h"

namespace {

using Opt = std::optional<std::string>;

// ID3 tags built byte by byte, so that the tests control every byte, broken ones included.
std::string id3v2Frame(const std::string& id, char encoding, const std::string& text)
{
    const auto size = static_cast<uint32_t>(text.size() + 1);
    return id + std::string{0, 0, static_cast<char>(size >> 8), static_cast<char>(size)} +
           std::string(2, '\0') + encoding + text;
}
std::string id3v2Tag(const std::string& frames, uint32_t size = 0)
{
    size = size != 0 ? size : static_cast<uint32_t>(frames.size());
    std::string header("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) header.push_back(static_cast<char>((size >> shift) & 0x7F));
    return header + frames;
}
std::string id3v1Tag(std::string title, std::string artist)
{
    title.resize(30, '\0');
    artist.resize(30, '\0');
    return "TAG" + title + artist + std::string(65, '\0');
}

TEST(SongTagsTest, PriorityLengthRuleAndTrimming)
{
    struct Case {
        const char* name;
        TagFields fields;
        Opt title, artist;
    };
    const Case cases[] = {
        {"ID3v2 wins", {"V2 title", "V2 artist", "V1 title", "V1 artist"}, "V2 title",
         "V2 artist"},
        {"ID3v1 only, trimmed", {{}, {}, " \t\n\v\f\rHello  ", " Band\r\n"}, "Hello", "Band"},
        {"one letter counts, empty falls back", {"A", "", "V1 title", "V1 a"}, "A", "V1 a"},
        {"one-character ID3v1 value is ignored", {{}, {}, "X", "\xC3\xA9"}, {}, {}},
        {"length is judged before trimming", {" ", {}, "V1", "  "}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Song song{"file.mp3", {}, {}};
        applySongTags(c.fields, song);
        EXPECT_EQ(std::tie(song.title, song.artist), std::tie(c.title, c.artist));
    }
    Song known{"file.mp3", std::nullopt, "Old artist"};
    applySongTags({"New", "New", {}, {}}, known);
    EXPECT_FALSE(known.title) << "tags found once are kept as they are";

    // What the music bar shows without tags: never empty, never "(null)".
    const std::pair<std::string, std::string> names[] = {
        {"/music/Artist - Song.mp3", "Artist - Song"}, {"C:\\music\\old.song.ogg", "old.song"},
        {".hidden", ".hidden"}, {"", "Unknown"}, {"dir/", "Unknown"}};
    for (const auto& [file, title] : names) {
        EXPECT_EQ(songDisplayTitle({file, "", {}}), title) << file;
        EXPECT_EQ(songDisplayArtist({file, {}, ""}), "Unknown");
    }
}

TEST(SongTagsTest, TagLibReaderFindsEachFieldAndSurvivesBrokenFiles)
{
    const std::string audio = readFile(fixture("tone.mp3"));
    ASSERT_FALSE(audio.empty());
    TempFolder dir;
    TagLibTagReader reader;
    auto all = [](const TagFields& f) {
        return std::tuple(f.id3v2Title, f.id3v2Artist, f.id3v1Title, f.id3v1Artist);
    };
    const std::string frames =
        id3v2Frame("TIT2", '\0', "Caf\xE9 Song") + id3v2Frame("TPE1", '\0', "The Band");
    const std::pair<std::string, TagFields> cases[] = {
        {id3v2Tag(frames) + audio + id3v1Tag("  Old  ", "Old band"),
         {"Caf\xC3\xA9 Song", "The Band", "  Old  ", "Old band"}},
        {audio + id3v1Tag(std::string(30, 'T'), "Caf\xE9"),  // ID3v1 only, full width
         {{}, {}, std::string(30, 'T'), "Caf\xC3\xA9"}},
        {audio, {}},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(all(reader.read(dir.write("song.mp3", bytes))), all(expected));
    }

    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 131 + 17) % 251));
    const std::string bad[] = {
        id3v2Tag(id3v2Frame("TIT2", '\0', "Big"), 100'000'000) + audio,  // claims 100 MB
        id3v2Tag(std::string("TIT2\xFF\xFF\xFF\xFF\0\0\0abc", 14)) + audio,
        id3v2Tag(garbage) + audio,
        id3v2Tag(id3v2Frame("TIT2", 7, garbage.substr(0, 300))) + audio +
            id3v1Tag(garbage.substr(0, 30), garbage.substr(30, 30)),
        garbage,
        id3v2Tag(id3v2Frame("TIT2", '\0', "Title")).substr(0, 15),  // truncated
        "",
    };
    for (const std::string& bytes : bad) {
        Song song{dir.write("bad.mp3", bytes), {}, {}};
        readSongTags(reader, song);  // must simply return
        EXPECT_EQ(song.title.value_or("").find('\0'), std::string::npos);
    }
    for (const std::string& path : {dir.dir(), dir.path("missing.mp3")}) {
        EXPECT_EQ(all(reader.read(path)), all({})) << path;
    }
}

}  // namespace
