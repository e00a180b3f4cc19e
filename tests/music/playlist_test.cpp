#include "music/playlist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "music/music_test_files.h"

namespace {

TEST(PlaylistTest, LinesBecomeEntriesExactlyAsWritten)
{
    const std::string a1023(1023, 'a');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}},
        // Blanks and comment marks stay; the last line needs no break.
        {"a.mp3\r\n  b.ogg  \n# no comments", {"a.mp3", "  b.ogg  ", "# no comments"}},
        {"\n\na.mp3\n\n", {"", "", "a.mp3", ""}},
        {"a\rb.mp3\r\r\n", {"a\rb.mp3\r"}},  // only the CR before the LF goes
        {a1023 + std::string(977, 'b') + "\n", {a1023, std::string(977, 'b')}},
        {a1023 + "\nx\n", {a1023, "x"}},  // a whole piece leaves no empty entry behind
        {a1023 + "\r\n", {a1023}},
    };
    TempFolder dir;
    for (const auto& [content, entries] : cases) {
        auto songs = loadPlaylist(dir.write("list.txt", content));
        ASSERT_TRUE(songs.has_value());
        std::vector<std::string> names;
        for (const Song& song : *songs) names.push_back(song.filename);
        EXPECT_EQ(names, entries) << content.substr(0, 40);
    }
}

TEST(PlaylistTest, BadPlaylists)
{
    TempFolder dir;
    // A FIFO would block the open for ever and /dev/zero would fill the memory.
    ASSERT_EQ(::mkfifo(dir.path("fifo").c_str(), 0600), 0);
    for (const std::string& path : {dir.path("missing.txt"), dir.dir(), std::string(),
                                     dir.path("fifo"), std::string("/dev/zero")}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(loadPlaylist(path).has_value()) << path;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to load playlist file\n");
    }

    // Binary garbage: every byte but the line feeds survives, NULs included.
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    ASSERT_EQ(garbage.find("\r\n"), std::string::npos);
    auto songs = loadPlaylist(dir.write("garbage.txt", garbage));
    ASSERT_TRUE(songs);
    std::size_t total = 0;
    for (const Song& song : *songs) total += song.filename.size();
    EXPECT_EQ(total, garbage.size() - std::count(garbage.begin(), garbage.end(), '\n'));
}

}  // namespace
