#include "catalogue/mame_info.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/history_xml.h"
#include "catalogue_test_util.h"

using catalogue_test::fixture;
using catalogue_test::makeGame;
using Lines = std::vector<std::string>;
using testing::HasSubstr;

namespace {

// pacman, galaga, dkong and galaga's clone galagao, indexed.
GameTable makeTable()
{
    GameTable table;
    for (const char* name : {"pacman", "galaga", "dkong", "galagao"})
        table.games.push_back(makeGame(name));
    table.games.back()->cloneof = "galaga";
    indexCatalogue(table);
    return table;
}

// The result, pacman's lines and galaga's lines joined by ",", and "!" when the out-of-order
// message was printed.
std::string readText(const std::string& text)
{
    TempFolder scratch;
    GameTable table = makeTable();
    std::FILE* file = std::fopen(scratch.write("mameinfo.dat", text).c_str(), "r");
    testing::internal::CaptureStdout();
    std::string outcome = std::to_string(readMameInfo(file, table));
    const std::string out = testing::internal::GetCapturedStdout();
    std::fclose(file);
    for (int game = 0; game < 2; ++game) {
        const Lines& lines = table.games[game]->infoLines;
        outcome += "|";
        for (size_t i = 0; i < lines.size(); ++i) outcome += (i > 0 ? "," : "") + lines[i];
    }
    return outcome + (out == "invalid state found!!!\n" ? "!" : "");
}

// Loads `path` into a fresh makeTable(); the result, then standard error.
std::pair<int, std::string> loadHistory(const std::string& path, GameTable& table)
{
    table = makeTable();
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const int result = loadMameInfo(path, table);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    return {result, testing::internal::GetCapturedStderr()};
}

}  // namespace

TEST(MameInfo, EntriesSectionsOrderFaultsAndUnreadableFiles)
{
    const std::pair<std::string, const char*> cases[] = {
        // The line after each stored text line is dropped, whatever it holds.
        {"$info=pacman\n$mame\nFirst line\n\nSecond line\n\n$end\n", "1|First line,Second line|"},
        {"$info=pacman\n$mame\nOne\nTwo\nThree\n\n$end\n", "1|One,Three|"},
        {"$info=pacman\n$mame\n\nText\n\n$end\n", "1|,Text|"},
        // ... so an "$end" right after text is swallowed and the next marker is out of order.
        {"$info=pacman\n$mame\nText\n$end\n$info=galaga\n$mame\nG\n\n$end\n", "0||!"},
        {"$info=galaga\n$drv\nDriver text\n\n$end\n", "1||"},
        {"$info=pacman,galaga\n$mame\nBoth\n\n$end\n$info=nosuchgame\n$mame\nX\n\n$end\n", "1||"},
        {"$mame\n$info=pacman\n$mame\nNever read\n\n$end\n", "1||!"},
        {"$info=pacman\n$mame\nOld\n\n$end\n$info=pacman\n$mame\nNew\n\n$end\n", "1|New|"},
        {"# comment\nfree text\n$info=galaga\n# inside\n$mame\nG\n\n$end\ntrailing\n", "1||G"},
        {"$info=pacman\r\n$mame\r\nText\r\n\r\nMore\r\n\r\n$end\r\n", "1|Text,More|"},
        {"$info=galaga\n$mame\nG\n\n", "0||"},
        {"$INFO=pacman\n$info=pacman\n$MAME\n$mame\nA\n\n$end\n", "1|A|"},
        {"$info=pacman\n$mame\nA\n\n$end", "1|A|"},
        {"$info=galaga\n$mame\nG\n\n$end\n$end\n$info=pacman\n$mame\nP\n\n$end\n", "1||G!"},
        {std::string("\x00\x01\x02$end\xff\xfe\n\x00\n", 12), "1||"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(readText(text), expected) << text;

    // A 5 MB line arrives in pieces of 1023 bytes; every second piece is the dropped line after
    // a stored one, so memory stays within the file's size.
    const std::string outcome =
        readText("$info=pacman\n$mame\n" + std::string(5 << 20, 'h') + "\n\n$end\n");
    const std::string piece(1023, 'h');
    EXPECT_EQ(outcome.rfind("1|" + piece + "," + piece + ",", 0), 0u);
    EXPECT_EQ(outcome.size(), 2u + 2563 * 1024 + 1);

    // Loading from a path: a file that cannot be opened, or read, or is not in order.
    TempFolder scratch;
    GameTable table = makeTable();
    const std::string failed = "Failed to load data from mameinfo.dat!\n";
    const std::tuple<std::string, int, std::string> files[] = {
        {scratch.path("missing.dat"), 0,
         "Error opening file: [" + scratch.path("missing.dat") + "]\n"},
        {scratch.dir(), 1, failed},
        {scratch.write("open.dat", "$info=pacman\n"), 1, failed},
        {scratch.write("good.dat", "$info=dkong\n$mame\nBarrels\n\n$end\n"), 1, ""},
    };
    for (const auto& [path, result, output] : files) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(loadMameInfo(path, table), result) << path;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), output) << path;
    }
    EXPECT_EQ(table.games[2]->infoLines, Lines{"Barrels"});
}

// The same setting names an XML history file, told apart by its content.
TEST(LoadHistoryXml, EntriesForSeveralSystemsEntitiesRepeatsAndFaults)
{
    GameTable table;
    EXPECT_EQ(loadHistory(fixture("../history/history.xml"), table), std::pair(1, std::string()));
    const Lines pacman = {"- TECHNICAL -", "",
                          "Namco & Midway <1980> \u2605\u2605 \u2605 パックマン 小蜜蜂", "",
                          "Line after a blank line.   "};
    EXPECT_EQ(table.games[0]->infoLines, pacman);
    EXPECT_EQ(table.games[2]->infoLines, pacman) << "one entry, several systems";
    EXPECT_EQ(table.games[1]->infoLines, Lines{"New galaga text <kept as written>"})
        << "the later entry wins";
    EXPECT_TRUE(table.games[3]->infoLines.empty()) << "a clone's text comes from its parent";

    const std::string malformed = fixture("../history/malformed.xml");
    auto [result, err] = loadHistory(malformed, table);
    EXPECT_EQ(result, 0) << "the build then reports \"Error loading mameinfo.dat!\"";
    EXPECT_THAT(err, HasSubstr(malformed + "] cannot be read: line 10: "));  // the first fault
    EXPECT_EQ(table.games[2]->infoLines, Lines{"Barrels"}) << "entries before the fault stay";

    // A text larger than the parser's own 10 MB limit for a text node is cut at the reader's
    // limit, and the entries after it still load.
    TempFolder scratch;
    const std::string huge(kMaxHistoryTextBytes * 12, 'h');
    std::tie(result, err) = loadHistory(
        scratch.write("history.dat",
                      "\xEF\xBB\xBF <history><entry><systems><system name=\"pacman\"/></systems>"
                      "<text>\xC3\xA9" +
                          huge +
                          "</text></entry><entry><systems><system "
                          "name=\"dkong\"/></systems><text>After</text></entry></history>"),
        table);
    EXPECT_EQ(result, 1);
    EXPECT_THAT(err, HasSubstr("The history text of [pacman] is longer than"));
    ASSERT_EQ(table.games[0]->infoLines.size(), 1u);
    EXPECT_EQ(table.games[0]->infoLines[0].size(), kMaxHistoryTextBytes);
    EXPECT_EQ(table.games[2]->infoLines, Lines{"After"});

    // A well-formed file without entries loads, with a warning.
    std::tie(result, err) = loadHistory(scratch.write("none.xml", "<history/>"), table);
    EXPECT_EQ(result, 1);
    EXPECT_THAT(err, HasSubstr("holds no <entry>; no game gets a text"));
}
