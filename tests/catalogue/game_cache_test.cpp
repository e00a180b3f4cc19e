#include "catalogue/game_cache.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::fixture;
using catalogue_test::makeGame;
using catalogue_test::readAll;
using catalogue_test::ScratchFolder;

namespace {

void expectSameRecords(const GameTable& a, const GameTable& b)
{
    ASSERT_EQ(a.gameCount(), b.gameCount());
    for (int i = 0; i < a.gameCount(); ++i) {
        const GameRecord& x = *a.games[i];
        const GameRecord& y = *b.games[i];
        SCOPED_TRACE(x.romname);
        EXPECT_EQ(x.romname, y.romname);
        EXPECT_EQ(x.description, y.description);
        EXPECT_EQ(x.year, y.year);
        EXPECT_EQ(x.manufacturer, y.manufacturer);
        EXPECT_EQ(x.cloneof, y.cloneof);
        EXPECT_EQ(x.romof, y.romof);
        ASSERT_EQ(x.video != nullptr, y.video != nullptr);
        if (x.video) {
            EXPECT_EQ(x.video->screen, y.video->screen);
            EXPECT_EQ(x.video->orientation, y.video->orientation);
            EXPECT_EQ(x.video->width, y.video->width);
            EXPECT_EQ(x.video->height, y.video->height);
        }
        ASSERT_EQ(x.input != nullptr, y.input != nullptr);
        if (x.input) {
            EXPECT_EQ(x.input->players, y.input->players);
            EXPECT_EQ(x.input->buttons, y.input->buttons);
            EXPECT_EQ(x.input->coins, y.input->coins);
            EXPECT_EQ(x.input->control, y.input->control);
        }
    }
}

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
    pacman.cloneof = "puckman";
    pacman.romof = "puckman";
    pacman.video = std::make_unique<VideoInfo>(VideoInfo{"vector", 2, -1, 32767});
    pacman.input = std::make_unique<InputInfo>(InputInfo{-2, 32767, -32768, 0x7F});

    // Characters outside ISO-8859-1 become character references and come back as UTF-8.
    table.games.push_back(
        makeGame("cafe", "Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xae"));
    table.games.back()->manufacturer = "M\xc3\xbcller";
    table.games.push_back(makeGame("bare", ""));
    table.games.back()->description.clear();
    return table;
}

}  // namespace

TEST(GameCache, RoundTripKeepsEveryStoredField)
{
    ScratchFolder scratch;
    const std::string path = scratch.file("cache.xml");
    const GameTable written = sampleCatalogue();
    ASSERT_TRUE(writeGameCache(written, path));

    GameTable read;
    ASSERT_EQ(readGameCache(path, read), 1);
    expectSameRecords(written, read);
    EXPECT_EQ(read.games[0]->present, 0);
    EXPECT_TRUE(read.games[0]->infoLines.empty());
    EXPECT_EQ(read.games[1]->parent, read.games[0].get());
    ASSERT_NE(read.index, nullptr);

    const std::string text = readAll(path);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<games><game ", 0), 0u)
        << text;
    EXPECT_NE(text.find("<game romname=\"puckman\" description=\"PuckMan (Japan set 1)\" "
                        "year=\"1980\" manufacturer=\"Namco\"><video screen=\"raster\" "
                        "orientation=\"1\" xres=\"224\" yres=\"288\"/><input players=\"2\" "
                        "buttons=\"1\" coins=\"2\" control=\"4\"/></game>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Caf\xe9 &#26085;&#26412; &#127918;"), std::string::npos) << text;
    // Only the cache itself is left in the folder.
    EXPECT_EQ(scratch.entryCount(), 1);
}

TEST(GameCache, EmptyCatalogueRoundTrips)
{
    ScratchFolder scratch;
    const std::string path = scratch.file("cache.xml");
    ASSERT_TRUE(writeGameCache(GameTable{}, path));
    GameTable read = sampleCatalogue();
    ASSERT_EQ(readGameCache(path, read), 1);
    EXPECT_EQ(read.gameCount(), 0);
    EXPECT_EQ(read.index, nullptr);
}

TEST(GameCache, StoredFilesOfTheKnownLayoutStillLoad)
{
    GameTable read;
    ASSERT_EQ(readGameCache(fixture("cache_v1.xml"), read), 1);
    ASSERT_EQ(read.gameCount(), 3);
    EXPECT_EQ(read.games[1]->parent, read.games[0].get());
    EXPECT_EQ(read.games[1]->input->control, kControlJoy4Way);
    EXPECT_EQ(read.games[2]->description, "Caf\xc3\xa9 \xe6\x97\xa5");
    EXPECT_EQ(read.games[2]->manufacturer, "M\xc3\xbcller");
    EXPECT_EQ(read.games[2]->video, nullptr);
}

TEST(GameCache, DamagedFilesAreRefusedAndTheTableKept)
{
    ScratchFolder scratch;
    const std::string empty = scratch.write("empty.xml", "");
    for (const std::string& path : {fixture("cache_truncated.xml"), fixture("cache_garbage.xml"),
                                    empty, scratch.file("missing.xml")}) {
        GameTable table = sampleCatalogue();
        testing::internal::CaptureStdout();
        EXPECT_EQ(readGameCache(path, table), 0) << path;
        EXPECT_NE(
            testing::internal::GetCapturedStdout().find("error: could not parse file " + path),
            std::string::npos);
        EXPECT_EQ(table.gameCount(), 4) << path;
    }
}

TEST(GameCache, AFailedWriteKeepsThePreviousCache)
{
    ScratchFolder scratch;
    const std::string path = scratch.write("cache.xml", "previous contents");
    // A folder in the way of the rename: the write fails, the temporary file goes.
    const std::string blocked = scratch.file("blocked");
    std::filesystem::create_directory(blocked);
    scratch.write("blocked/keep", "x");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writeGameCache(sampleCatalogue(), blocked));
    EXPECT_FALSE(writeGameCache(sampleCatalogue(), scratch.file("no-folder/cache.xml")));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(readAll(path), "previous contents");
    EXPECT_EQ(scratch.entryCount(), 2);

    // A control character would make the file unreadable; it is left out of the cache.
    GameTable odd = sampleCatalogue();
    odd.games[0]->description = std::string("odd\x01\x1ftitle\tend");
    ASSERT_TRUE(writeGameCache(odd, path));
    GameTable read;
    ASSERT_EQ(readGameCache(path, read), 1) << readAll(path);
    EXPECT_EQ(read.games[0]->description, "oddtitle\tend");

    // Text that is not UTF-8 cannot be converted: the writing stops and the cache stays.
    odd.games[0]->description = std::string("bad \xff\xfe bytes");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writeGameCache(odd, path));
    testing::internal::GetCapturedStdout();
    GameTable again;
    EXPECT_EQ(readGameCache(path, again), 1);
    EXPECT_EQ(again.games[0]->description, "oddtitle\tend");
}
