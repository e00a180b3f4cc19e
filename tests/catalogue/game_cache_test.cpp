#include "catalogue/game_cache.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/game_cache_layout.h"
#include "catalogue_test_util.h"

using catalogue_test::describeAll;
using catalogue_test::fixture;
using catalogue_test::makeGame;
using testing::HasSubstr;

namespace {

GameTable sampleCatalogue()
{
    GameTable table;
    table.games.push_back(makeGame("puckman", "PuckMan (Japan set 1)"));
    GameRecord& puckman = *table.games.back();
    puckman.year = 1980;
    puckman.manufacturer = "Namco";
    puckman.video = std::make_unique<VideoInfo>(VideoInfo{"raster", 1, 224, 288});
    puckman.input = std::make_unique<InputInfo>(InputInfo{2, 1, 2, kControlJoy4Way});
    puckman.present = 1;
    puckman.infoLines = {"not stored"};

    table.games.push_back(makeGame("pacman", "Pac-Man <\"Midway\"> & friends"));
    GameRecord& pacman = *table.games.back();
    pacman.year = -5;
    pacman.manufacturer = "";
    pacman.cloneof = pacman.romof = "puckman";
    pacman.video = std::make_unique<VideoInfo>(VideoInfo{"vector", 2, -1, 32767});
    pacman.input = std::make_unique<InputInfo>(InputInfo{-2, 32767, -32768, 0x7F});

    // Characters outside ISO-8859-1 become character references and come back as UTF-8.
    table.games.push_back(makeGame("cafe", "Caf\xc3\xa9 FM-16\xce\xb2 \xf0\x9f\x8e\xae"));
    table.games.back()->manufacturer = "M\xc3\xbcller";
    return table;
}

}  // namespace

TEST(GameCache, RoundTripKeepsEveryStoredFieldAndNothingUnreadable)
{
    TempFolder scratch;
    const std::string path = scratch.path("cache.xml");
    const GameTable written = sampleCatalogue();
    ASSERT_TRUE(writeGameCache(written, path));

    GameTable read;
    ASSERT_EQ(readGameCache(path, read), 1);
    EXPECT_EQ(describeAll(read.games), describeAll(written.games));
    EXPECT_EQ(read.games[0]->present, 0);
    EXPECT_TRUE(read.games[0]->infoLines.empty());
    EXPECT_EQ(read.games[1]->parent, read.games[0].get());

    const std::string text = readFile(path);
    EXPECT_THAT(text, testing::StartsWith(
                          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<games><game "
                          "romname=\"puckman\" description=\"PuckMan (Japan set 1)\" "
                          "year=\"1980\" manufacturer=\"Namco\"><video screen=\"raster\" "
                          "orientation=\"1\" xres=\"224\" yres=\"288\"/><input players=\"2\" "
                          "buttons=\"1\" coins=\"2\" control=\"4\"/></game>"));
    EXPECT_THAT(text, HasSubstr("Caf\xe9 FM-16&#946; &#127918;"));
    EXPECT_EQ(scratch.entries(), 1);  // no temporary file is left

    ASSERT_TRUE(writeGameCache(GameTable{}, path));
    ASSERT_EQ(readGameCache(path, read), 1);
    EXPECT_EQ(read.gameCount(), 0);
    EXPECT_EQ(read.index, nullptr);

    // A cache written by an earlier build of the launcher still loads.
    ASSERT_EQ(readGameCache(fixture("cache_v1.xml"), read), 1);
    EXPECT_EQ(read.games.at(2)->description, "Caf\xc3\xa9 \xe6\x97\xa5");

    // Text that is not UTF-8 cannot be converted: the writing stops, the cache stays and no
    // temporary file is left. A control character would make the file unreadable; it is left out.
    GameTable odd = sampleCatalogue();
    odd.games[0]->description = std::string("bad \xff\xfe bytes");
    const std::string before = readFile(path);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writeGameCache(odd, path));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(scratch.entries(), 1);
    odd.games[0]->description = std::string("odd\x01\x1ftitle\tend");
    ASSERT_TRUE(writeGameCache(odd, path));
    ASSERT_EQ(readGameCache(path, read), 1) << readFile(path);
    EXPECT_EQ(read.games[0]->description, "oddtitle\tend");
}

TEST(GameCache, DamagedFilesAreRefusedAndTheTableKept)
{
    TempFolder scratch;
    // Damaged first bytes make the parser fail while it is being set up, or read as an empty
    // document in another encoding; a FIFO would block a reader.
    const std::string fifo = scratch.path("fifo.xml");
    ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
    // A cache as the launcher writes it, damaged after its first record.
    const std::string good = scratch.path("good.xml");
    ASSERT_TRUE(writeGameCache(sampleCatalogue(), good));
    const std::string text = readFile(good);
    const size_t cut = text.find("Pac-Man") + 3;
    std::vector<std::string> paths = {fixture("cache_truncated.xml"), fixture("cache_garbage.xml"),
                                      fixture("cache_start_damaged.xml"),
                                      fixture("cache_start_ucs4.xml"),
                                      scratch.write("empty.xml", ""), scratch.path("missing.xml"),
                                      scratch.dir(), fifo};
    for (const std::string damage :
         {"", "&bogus;", "&#1;", "&#6c;", "&#xD800;", "<", "\x01", "\"/>"})
        paths.push_back(scratch.write("damaged" + std::to_string(paths.size()) + ".xml",
                                      text.substr(0, cut) + damage +
                                          (damage.empty() ? "" : text.substr(cut))));
    paths.push_back(scratch.write("trailing.xml", text + "<games/>"));
    for (const std::string& path : paths) {
        GameTable table = sampleCatalogue();
        testing::internal::CaptureStdout();
        EXPECT_EQ(readGameCache(path, table), 0) << path;
        EXPECT_THAT(testing::internal::GetCapturedStdout(),
                    HasSubstr("error: could not parse file " + path));
        EXPECT_EQ(table.gameCount(), 3) << path;
    }

    // A hand-edited file that is still well formed loads what it holds; the rest is skipped.
    GameTable edited;
    ASSERT_EQ(readGameCache(scratch.write("edited.xml",
                                          "<list><note/><game romname=\"a\" year=\"19xx\" x=\"1\" "
                                          "description=\"A &amp; B\"><input control=\"x\" "
                                          "players=\"-3\"/><video/><game romname=\"nested\"/>"
                                          "</game><game/></list>"),
                            edited),
              1);
    EXPECT_EQ(describeAll(edited.games),
              (std::vector<std::string>{"a|A & B|19|-|-|-|/0/0/0|-3/0/0/0", "||0|-|-|-|-|-"}));
}

TEST(GameCache, QuickReaderReadsTheSameWhereverTheFileIsCutIntoPieces)
{
    TempFolder scratch;
    const std::string path = scratch.path("cache.xml");
    ASSERT_TRUE(writeGameCache(sampleCatalogue(), path));
    const std::string text = readFile(path);
    const auto readInPieces = [](const std::string& bytes, size_t pieceSize,
                                 std::vector<std::unique_ptr<GameRecord>>& games) {
        size_t given = 0;
        return readWrittenCacheLayout(
            [&](std::string& buffer) {
                const size_t n = std::min(pieceSize, bytes.size() - given);
                buffer.append(bytes, given, n);
                given += n;
                return n > 0;
            },
            games);
    };
    const auto expected = describeAll(sampleCatalogue().games);
    // Pieces that end inside a tag, a reference, "<game" or "</games>" alike.
    for (const size_t pieceSize : {size_t{1}, size_t{2}, size_t{5}, size_t{64}, text.size()}) {
        std::vector<std::unique_ptr<GameRecord>> games;
        EXPECT_TRUE(readInPieces(text, pieceSize, games)) << pieceSize;
        EXPECT_EQ(describeAll(games), expected) << pieceSize;
        // Damage near the end of the records is found in any piece size.
        for (const std::string& damaged :
             {text.substr(0, text.size() - 3), text + "x", text.substr(0, text.find("</games>"))}) {
            std::vector<std::unique_ptr<GameRecord>> partial;
            EXPECT_FALSE(readInPieces(damaged, pieceSize, partial)) << pieceSize << damaged;
        }
    }
}
