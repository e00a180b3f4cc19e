#include "music/playlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "music/music_test_files.h"

namespace {

std::vector<std::string> names(const std::vector<Song>& songs)
{
    std::vector<std::string> out;
    for (const Song& song : songs) {
        out.push_back(song.filename);
        EXPECT_FALSE(song.title || song.artist) << "a fresh entry has no tags";
    }
    return out;
}

TEST(PlaylistTest, LinesBecomeEntriesExactlyAsWritten)
{
    const std::string a1023(1023, 'a');
    const std::string b977(977, 'b');
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"last line without break", "one.mp3\nsong.mp3", {"one.mp3", "song.mp3"}},
        {"CR LF", "a.mp3\r\nb.ogg\r\n", {"a.mp3", "b.ogg"}},
        {"blanks kept", "  a.mp3  \n", {"  a.mp3  "}},
        {"empty lines are entries", "\n\na.mp3\n\n", {"", "", "a.mp3", ""}},
        {"lone CR stays", "a\rb.mp3\n", {"a\rb.mp3"}},
        {"only the CR before LF goes", "a.mp3\r\r\n", {"a.mp3\r"}},
        {"no comment syntax", "# not a comment\n;x\n", {"# not a comment", ";x"}},
        {"long line in pieces", a1023 + b977 + "\n", {a1023, b977}},
        {"exactly one piece", a1023 + "\n" + "x\n", {a1023, "x"}},
        {"exactly one piece with CR LF", a1023 + "\r\n", {a1023}},
        {"two whole pieces", a1023 + a1023 + "\n", {a1023, a1023}},
        {"long last line without break", a1023 + "c", {a1023, "c"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.file("list.txt"), c.content);
        auto songs = loadPlaylist(dir.file("list.txt"));
        ASSERT_TRUE(songs.has_value());
        EXPECT_EQ(names(*songs), c.entries);
    }
}

TEST(PlaylistTest, UnreadablePlaylistsFailWithAMessage)
{
    TempDir dir;
    for (const std::string& path : {dir.file("missing.txt"), dir.path().string(), std::string()}) {
        SCOPED_TRACE(path);
        testing::internal::CaptureStdout();
        auto songs = loadPlaylist(path);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to load playlist file\n");
        EXPECT_FALSE(songs.has_value());
    }
}

TEST(PlaylistTest, LargeAndBinaryPlaylistsLoadWhole)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 10000; ++i) {
        text += "song" + std::to_string(i) + ".mp3\n";
    }
    writeBytes(dir.file("big.txt"), text);
    auto songs = loadPlaylist(dir.file("big.txt"));
    ASSERT_TRUE(songs.has_value());
    ASSERT_EQ(songs->size(), 10000u);
    EXPECT_EQ(songs->back().filename, "song9999.mp3");

    std::string garbage;
    for (int i = 0; i < 5000; ++i) {
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    }
    writeBytes(dir.file("garbage.txt"), garbage);
    songs = loadPlaylist(dir.file("garbage.txt"));
    ASSERT_TRUE(songs.has_value());
    std::size_t total = 0;
    for (const Song& song : *songs) {
        EXPECT_LE(song.filename.size(), kPlaylistPieceLength);
        total += song.filename.size();
    }
    // Every byte but the line feeds survives, NULs included (no CR precedes a line feed here).
    ASSERT_EQ(garbage.find("\r\n"), std::string::npos);
    EXPECT_EQ(total, garbage.size() - std::count(garbage.begin(), garbage.end(), '\n'));
}

}  // namespace
