#include "music/song_tags.h"

#include <gtest/gtest.h>

#include <string>

#include "music/id3_builder.h"
#include "music/music_test_files.h"
#include "platform/tag_reader_taglib.h"

namespace {

TEST(SongTagsTest, TrimSpaces)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"   ", ""},
        {" \t\n\v\f\r", ""},
        {"  Hello  ", "Hello"},
        {"\tA b\r\n", "A b"},
        {"inner  blanks stay", "inner  blanks stay"},
        {"\xC2\xA0x", "\xC2\xA0x"},  // only ASCII white space counts
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(trimSpaces(in), out) << "[" << in << "]";
    }
}

TEST(SongTagsTest, FieldPriorityLengthRuleAndTrimming)
{
    using Opt = std::optional<std::string>;
    struct Case {
        const char* name;
        TagFields fields;
        Opt title;
        Opt artist;
    };
    const Case cases[] = {
        {"nothing", {}, std::nullopt, std::nullopt},
        {"ID3v2 wins", {"V2 title", "V2 artist", "V1 title", "V1 artist"}, "V2 title",
         "V2 artist"},
        {"ID3v1 only, trimmed", {{}, {}, "  Hello  ", " Band\t"}, "Hello", "Band"},
        {"one-letter ID3v2 text counts", {"A", "B", "V1 title", {}}, "A", "B"},
        {"empty ID3v2 text falls back", {"", "", "V1 title", "V1 artist"}, "V1 title",
         "V1 artist"},
        {"one-character ID3v1 value is ignored", {{}, {}, "X", "Y"}, std::nullopt,
         std::nullopt},
        {"one multibyte character is one character", {{}, {}, "\xC3\xA9", {}}, std::nullopt,
         std::nullopt},
        {"length is judged before trimming", {{}, {}, "  ", " x"}, "", "x"},
        {"blank ID3v2 value gives an empty text", {" ", {}, "V1", {}}, "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Song song{"file.mp3", {}, {}};
        applySongTags(c.fields, song);
        EXPECT_EQ(song.title, c.title);
        EXPECT_EQ(song.artist, c.artist);
    }

    Song known{"file.mp3", std::nullopt, "Old artist"};
    applySongTags({"New", "New", {}, {}}, known);
    EXPECT_FALSE(known.title.has_value()) << "tags found once are kept as they are";
    EXPECT_EQ(known.artist, "Old artist");
}

TEST(SongTagsTest, DisplayNamesNeverEmpty)
{
    struct Case {
        Song song;
        std::string title;
        std::string artist;
    };
    const Case cases[] = {
        {{"/music/Artist - Song.mp3", {}, {}}, "Artist - Song", "Unknown"},
        {{"C:\\music\\old.song.ogg", {}, {}}, "old.song", "Unknown"},
        {{"noext", {}, {}}, "noext", "Unknown"},
        {{".hidden", {}, {}}, ".hidden", "Unknown"},
        {{"", {}, {}}, "Unknown", "Unknown"},
        {{"dir/", {}, {}}, "Unknown", "Unknown"},
        {{"a.mp3", "Real", "Someone"}, "Real", "Someone"},
        {{"a.mp3", "", ""}, "a", "Unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(songDisplayTitle(c.song), c.title) << c.song.filename;
        EXPECT_EQ(songDisplayArtist(c.song), c.artist) << c.song.filename;
    }
}

TEST(SongTagsTest, TagLibReaderFindsEachField)
{
    const std::string audio = fixtureBytes("tone.mp3");
    ASSERT_FALSE(audio.empty());
    using Opt = std::optional<std::string>;
    struct Case {
        const char* name;
        std::string bytes;
        Opt v2Title, v2Artist, v1Title, v1Artist;
    };
    const std::string frames = id3v2TextFrame("TIT2", '\0', "Caf\xE9 Song") +
                               id3v2TextFrame("TPE1", '\0', "The Band");
    // "Zoë" in UTF-16 with a byte-order mark.
    const std::string utf16("\xFF\xFEZ\0o\0\xEB\0", 8);
    const Case cases[] = {
        {"both tags", id3v2Tag(frames) + audio + id3v1Tag("  Old  ", "Old band"),
         "Caf\xC3\xA9 Song", "The Band", "  Old  ", "Old band"},
        {"ID3v1 only, Latin-1", audio + id3v1Tag("Caf\xE9", ""), {}, {}, "Caf\xC3\xA9", ""},
        {"UTF-16 frame", id3v2Tag(id3v2TextFrame("TIT2", '\x01', utf16)) + audio,
         "Zo\xC3\xAB", {}, {}, {}},
        {"no tags", audio, {}, {}, {}, {}},
        {"ID3v1 full width, no NUL", audio + id3v1Tag(std::string(30, 'T'), "A"),
         {}, {}, std::string(30, 'T'), "A"},
    };
    TempDir dir;
    TagLibTagReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.file("song.mp3"), c.bytes);
        TagFields fields = reader.read(dir.file("song.mp3"));
        EXPECT_EQ(fields.id3v2Title, c.v2Title);
        EXPECT_EQ(fields.id3v2Artist, c.v2Artist);
        EXPECT_EQ(fields.id3v1Title, c.v1Title);
        EXPECT_EQ(fields.id3v1Artist, c.v1Artist);
    }

    // Through the song rules: the ID3v2 title wins, the ID3v1 value is trimmed.
    writeBytes(dir.file("song.mp3"),
               id3v2Tag(id3v2TextFrame("TPE1", '\0', "V2 artist")) + audio +
                   id3v1Tag("  Hello  ", "V1 artist"));
    Song song{dir.file("song.mp3"), {}, {}};
    readSongTags(reader, song);
    EXPECT_EQ(song.title, "Hello");
    EXPECT_EQ(song.artist, "V2 artist");
}

TEST(SongTagsTest, TagLibReaderSurvivesBrokenFiles)
{
    const std::string audio = fixtureBytes("tone.mp3");
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 131 + 17) % 251));
    }
    const std::string tagged = id3v2Tag(id3v2TextFrame("TIT2", '\0', "Title")) + audio;
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"tag claims 100 MB", id3v2Tag(id3v2TextFrame("TIT2", '\0', "Big"), 100'000'000) + audio},
        {"tag claims the largest size", id3v2Tag("", 0x0FFFFFFF) + audio},
        {"frame claims 4 GB", id3v2Tag("TIT2\xFF\xFF\xFF\xFF\0\0\0abc") + audio},
        {"garbage frames", id3v2Tag(garbage) + audio},
        {"garbage text", id3v2Tag(id3v2TextFrame("TIT2", '\x07', garbage.substr(0, 300))) +
                             audio + id3v1Tag(garbage.substr(0, 30), garbage.substr(30, 30))},
        {"pure garbage", garbage},
        {"truncated inside the tag", tagged.substr(0, 15)},
        {"only a header", std::string("ID3")},
        {"empty file", ""},
    };
    TempDir dir;
    TagLibTagReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.file("bad.mp3"), c.bytes);
        Song song{dir.file("bad.mp3"), {}, {}};
        readSongTags(reader, song);  // must simply return
        if (song.title) {
            EXPECT_EQ(song.title->find('\0'), std::string::npos);
        }
    }
    for (const std::string& path : {dir.path().string(), dir.file("missing.mp3")}) {
        TagFields fields = reader.read(path);
        EXPECT_FALSE(fields.id3v2Title || fields.id3v2Artist || fields.id3v1Title ||
                     fields.id3v1Artist);
    }
}

}  // namespace
