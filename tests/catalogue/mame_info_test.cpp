#include "catalogue/mame_info.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::fixture;
using catalogue_test::makeGame;
using catalogue_test::ScratchFolder;

namespace {

GameTable makeTable()
{
    GameTable table;
    for (const char* name : {"pacman", "galaga", "dkong"}) table.games.push_back(makeGame(name));
    indexCatalogue(table);
    return table;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ReadMameInfo, EntriesSectionsAndOrderFaults)
{
    struct Case {
        const char* name;
        std::string text;
        int result;
        Lines pacman;
        Lines galaga;
        bool invalidReported;
    } cases[] = {
        {"separator lines after text are dropped",
         "$info=pacman\n$mame\nFirst line\n\nSecond line\n\n$end\n",
         1,
         {"First line", "Second line"},
         {},
         false},
        {"a line directly after a text line is dropped",
         "$info=pacman\n$mame\nOne\nTwo\nThree\n\n$end\n",
         1,
         {"One", "Three"},
         {},
         false},
        {"an empty line is stored and nothing dropped after it",
         "$info=pacman\n$mame\n\nText\n\n$end\n",
         1,
         {"", "Text"},
         {},
         false},
        {"$end right after text is swallowed",
         "$info=pacman\n$mame\nText\n$end\n$info=galaga\n$mame\nG\n\n$end\n",
         0,
         {},
         {},
         true},
        {"$drv section attaches no lines",
         "$info=galaga\n$drv\nDriver text\n\n$end\n",
         1,
         {},
         {},
         false},
        {"unknown names attach nothing",
         "$info=pacman,galaga\n$mame\nBoth\n\n$end\n$info=nosuchgame\n$mame\nX\n\n$end\n",
         1,
         {},
         {},
         false},
        {"stray $mame outside an entry stops with result 1",
         "$mame\n$info=pacman\n$mame\nNever read\n\n$end\n",
         1,
         {},
         {},
         true},
        {"the later of two entries wins",
         "$info=pacman\n$mame\nOld\n\n$end\n$info=pacman\n$mame\nNew\n\n$end\n",
         1,
         {"New"},
         {},
         false},
        {"comments and lines outside entries are ignored",
         "# comment\nfree text\n$info=galaga\n# inside\n$mame\nG\n\n$end\ntrailing\n",
         1,
         {},
         {"G"},
         false},
        {"windows line ends",
         "$info=pacman\r\n$mame\r\nText\r\n\r\nMore\r\n\r\n$end\r\n",
         1,
         {"Text", "More"},
         {},
         false},
        {"file ends inside an entry", "$info=galaga\n$mame\nG\n\n", 0, {}, {}, false},
        {"prefixes need their own length only",
         "$information=pacman\n$mamex\nA\n\n$endless\n",
         1,
         {},
         {},
         false},
        {"case matters for markers",
         "$INFO=pacman\n$info=pacman\n$MAME\n$mame\nA\n\n$end\n",
         1,
         {"A"},
         {},
         false},
        {"no final line feed", "$info=pacman\n$mame\nA\n\n$end", 1, {"A"}, {}, false},
        {"entries attached before a fault stay",
         "$info=galaga\n$mame\nG\n\n$end\n$end\n$info=pacman\n$mame\nP\n\n$end\n",
         1,
         {},
         {"G"},
         true},
        {"binary garbage", std::string("\x00\x01\x02$end\xff\xfe\n\x00\n", 12), 1, {}, {}, false},
    };
    ScratchFolder scratch;
    for (const auto& c : cases) {
        GameTable table = makeTable();
        const std::string path = scratch.write("mameinfo.dat", c.text);
        std::FILE* file = std::fopen(path.c_str(), "r");
        ASSERT_NE(file, nullptr);
        testing::internal::CaptureStdout();
        const int result = readMameInfo(file, table);
        const std::string out = testing::internal::GetCapturedStdout();
        std::fclose(file);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(table.games[0]->infoLines, c.pacman) << c.name;
        EXPECT_EQ(table.games[1]->infoLines, c.galaga) << c.name;
        EXPECT_EQ(out == "invalid state found!!!\n", c.invalidReported) << c.name << ": " << out;
    }
}

TEST(ReadMameInfo, LongLinesArriveInPieces)
{
    ScratchFolder scratch;
    const std::string huge(5000, 'h');
    // The first 1023 bytes are stored; the next piece is the dropped line after it; the pieces
    // after that are text lines again.
    const std::string path =
        scratch.write("mameinfo.dat", "$info=pacman\n$mame\n" + huge + "\n\n$end\n");
    GameTable table = makeTable();
    std::FILE* file = std::fopen(path.c_str(), "r");
    EXPECT_EQ(readMameInfo(file, table), 1);
    std::fclose(file);
    const Lines& lines = table.games[0]->infoLines;
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(1023, 'h'));
    EXPECT_EQ(lines[1], std::string(1023, 'h'));
    EXPECT_EQ(lines[2], std::string(5000 - 4 * 1023, 'h'));
}

TEST(LoadMameInfo, MissingUnreadableAndFaultyFiles)
{
    ScratchFolder scratch;
    GameTable table = makeTable();
    struct Case {
        std::string path;
        int result;
        std::string output;
    } cases[] = {
        {scratch.file("missing.dat"), 0,
         "Error opening file: [" + scratch.file("missing.dat") + "]\n"},
        {scratch.path(), 1, "Failed to load data from mameinfo.dat!\n"},
        {scratch.write("open.dat", "$info=pacman\n"), 1,
         "Failed to load data from mameinfo.dat!\n"},
        {scratch.write("good.dat", "$info=dkong\n$mame\nBarrels\n\n$end\n"), 1, ""},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(loadMameInfo(c.path, table), c.result) << c.path;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output) << c.path;
    }
    EXPECT_EQ(table.games[2]->infoLines, Lines{"Barrels"});
}
