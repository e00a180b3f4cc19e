#include "catalogue/listxml_import.h"

#include <gtest/gtest.h>

#include "catalogue/game_cache.h"
#include "catalogue_test_util.h"

using catalogue_test::fixture;
using catalogue_test::ScratchFolder;

namespace {

struct Expected {
    std::string romname;
    std::string description;
    int year;
    std::optional<std::string> manufacturer;
    std::optional<std::string> cloneof;
    std::optional<std::string> romof;
    std::optional<VideoInfo> video;
    std::optional<InputInfo> input;
};

void expectRecords(const std::vector<std::unique_ptr<GameRecord>>& games,
                   const std::vector<Expected>& expected)
{
    ASSERT_EQ(games.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const GameRecord& g = *games[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.romname);
        EXPECT_EQ(g.romname, e.romname);
        EXPECT_EQ(g.description, e.description);
        EXPECT_EQ(g.year, e.year);
        EXPECT_EQ(g.manufacturer, e.manufacturer);
        EXPECT_EQ(g.cloneof, e.cloneof);
        EXPECT_EQ(g.romof, e.romof);
        ASSERT_EQ(g.video != nullptr, e.video.has_value());
        if (e.video) {
            EXPECT_EQ(g.video->screen, e.video->screen);
            EXPECT_EQ(g.video->orientation, e.video->orientation);
            EXPECT_EQ(g.video->width, e.video->width);
            EXPECT_EQ(g.video->height, e.video->height);
        }
        ASSERT_EQ(g.input != nullptr, e.input.has_value());
        if (e.input) {
            EXPECT_EQ(g.input->players, e.input->players);
            EXPECT_EQ(g.input->buttons, e.input->buttons);
            EXPECT_EQ(g.input->coins, e.input->coins);
            EXPECT_EQ(g.input->control, e.input->control);
        }
    }
}

}  // namespace

TEST(ReadListXml, OlderLayoutWithGameAndVideoElements)
{
    ListImportCounts counts;
    auto games = readListXml(fixture("old_format.xml"), &counts);
    ASSERT_TRUE(games);
    expectRecords(
        *games,
        {
            {"puckman",
             "PuckMan (Japan set 1)",
             1980,
             "Namco",
             {},
             {},
             VideoInfo{"raster", 1, 224, 288},
             InputInfo{2, 1, 2, kControlJoy4Way}},
            // "198?" reads as 198; "Vertical" is not "vertical"; "Joy4way" is no known control.
            {"pacman", "Pac-Man (Midway)", 198, "Namco (Midway license)", "puckman", "puckman",
             VideoInfo{"raster", 2, 224, 288}, InputInfo{2, 1, 2, 0}},
            // runnable="No" is not "no"; the second video and input replace the first; 70000
            // keeps its low 16 bits.
            {"mslug",
             "Metal Slug - Super Vehicle-001",
             1996,
             "Nazca",
             {},
             "neogeo",
             VideoInfo{"vector", 1, 4464, -3},
             InputInfo{4, 6, 4, kControlTrackball}},
            {"nodesc", "", 0, {}, {}, {}, {}, {}},
            {"orphan", "Orphan clone", 0, {}, "missingparent", {}, {}, InputInfo{1, 2, 1, 0}},
        });
    EXPECT_EQ(counts.kept, 5);
    EXPECT_EQ(counts.notRunnable, 1);
    EXPECT_EQ(counts.bios, 0);
    EXPECT_EQ(counts.noScreen, 0);
}

TEST(ReadListXml, CurrentLayoutWithMachineDisplayAndControlChildren)
{
    ListImportCounts counts;
    auto games = readListXml(fixture("new_format.xml"), &counts);
    ASSERT_TRUE(games);
    const uint16_t all = 0x7F;
    expectRecords(*games, {
                              {"pacman", "Pac-Man (Midway)", 1980, "Namco (Midway license)",
                               "puckman", "puckman", VideoInfo{"raster", 1, 288, 224},
                               InputInfo{2, 0, 2, kControlJoy4Way}},
                              {"mslug",
                               "Metal Slug - Super Vehicle-001",
                               1996,
                               "Nazca",
                               {},
                               "neogeo",
                               VideoInfo{"raster", 2, 320, 224},
                               InputInfo{2, 4, 2, kControlJoy8Way}},
                              {"asteroid",
                               "Asteroids (rev 4)",
                               1979,
                               "Atari",
                               {},
                               {},
                               VideoInfo{"vector", 2, 0, 0},
                               InputInfo{2, 5, 2, all}},
                              // The last display wins; player 2's stick plays no part.
                              {"twoscreen",
                               "Two screens",
                               0,
                               {},
                               {},
                               {},
                               VideoInfo{"lcd", 2, 640, 480},
                               InputInfo{1, 3, 1, kControlPaddle}},
                              // A video element and old-style attributes take precedence.
                              {"oldinput",
                               "Old-style attributes win",
                               0,
                               {},
                               {},
                               {},
                               VideoInfo{"raster", 2, 320, 240},
                               InputInfo{1, 2, 1, kControlTrackball}},
                          });
    EXPECT_EQ(counts.kept, 5);
    EXPECT_EQ(counts.notRunnable, 1);
    EXPECT_EQ(counts.bios, 1);
    EXPECT_EQ(counts.noScreen, 1);
}

TEST(ReadListXml, ControlTypeAndWaysMapping)
{
    struct Case {
        const char* controls;
        uint16_t control;
        int16_t buttons;
    } cases[] = {
        {R"x(<control type="joy" ways="4"/>)x", kControlJoy4Way, 0},
        {R"x(<control type="joy" ways="8"/>)x", kControlJoy8Way, 0},
        {R"x(<control type="joy" ways="5 (half8)"/>)x", kControlJoy8Way, 0},
        {R"x(<control type="joy" ways="16"/>)x", kControlJoy8Way, 0},
        {R"x(<control type="joy" ways="2"/>)x", kControlJoy4Way | kControlJoy8Way, 0},
        {R"x(<control type="joy" ways="vertical2"/>)x", kControlJoy4Way | kControlJoy8Way, 0},
        {R"x(<control type="joy" ways="3 (half4)"/>)x", kControlJoy4Way | kControlJoy8Way, 0},
        {R"x(<control type="joy"/>)x", kControlJoy4Way | kControlJoy8Way, 0},
        {R"x(<control type="doublejoy" ways="8" ways2="8"/>)x", kControlDoubleJoy8Way, 0},
        {R"x(<control type="stick" buttons="2"/>)x", kControlStick, 2},
        {R"x(<control type="paddle"/>)x", kControlPaddle, 0},
        {R"x(<control type="dial"/>)x", kControlDial, 0},
        {R"x(<control type="trackball"/>)x", kControlTrackball, 0},
        {R"x(<control type="only_buttons" buttons="3"/>)x", 0x7F, 3},
        {R"x(<control type="lightgun" buttons="1"/>)x", 0, 1},
        {R"x(<control type="mahjong"/>)x", 0, 0},
        {R"x(<control type="triplejoy"/>)x", 0, 0},
        // The first control of player 1 decides; buttons is the largest among them.
        {R"x(<control type="pedal" buttons="1"/><control type="joy" ways="8" buttons="6"/>)x", 0,
         6},
        {R"x(<control type="joy" player="2" ways="8" buttons="7"/>)x"
         R"x(<control type="dial" player="1" buttons="2"/>)x",
         kControlDial, 2},
        {R"x(<control type="joy" player="2" ways="8" buttons="7"/>)x", 0, 0},
        {"", 0, 0},
    };
    ScratchFolder scratch;
    for (const auto& c : cases) {
        const std::string list = scratch.write(
            "list.xml", std::string("<mame><machine name=\"m\"><display type=\"raster\"/>"
                                    "<input players=\"1\">") +
                            c.controls + "</input></machine></mame>");
        auto games = readListXml(list);
        ASSERT_TRUE(games) << c.controls;
        ASSERT_EQ(games->size(), 1u);
        EXPECT_EQ((*games)[0]->input->control, c.control) << c.controls;
        EXPECT_EQ((*games)[0]->input->buttons, c.buttons) << c.controls;
    }
}

TEST(ReadListXml, TextIsTheFirstChildAndOnlyTopLevelFieldsCount)
{
    ListImportCounts counts;
    auto games = readListXml(fixture("tricky.xml"), &counts);
    ASSERT_TRUE(games);
    expectRecords(*games, {
                              {"amp",
                               "Pac & Pal \xe2\x80\x93 Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac",
                               19,
                               "Namco <Japan>",
                               {},
                               {},
                               VideoInfo{"raster", 2, 288, 224},
                               {}},
                              // A first child that is an element gives no text; the control inside
                              // a port is not a control of the input.
                              {"firstchild",
                               "",
                               0,
                               "\nMaker on the next line",
                               {},
                               {},
                               VideoInfo{"raster", 2, 0, 0},
                               InputInfo{1, 0, 0, 0}},
                              {"emptydisplay", "", 0, {}, {}, {}, VideoInfo{"", 2, 0, 0}, {}},
                          });
    EXPECT_EQ(counts.noScreen, 1);
}

TEST(ReadListXml, BadListsFailWithAReason)
{
    ScratchFolder scratch;
    const std::string empty = scratch.write("empty.xml", "");
    const std::string binary = scratch.write("binary.xml", std::string("\x00\x01\x02garbage", 10));
    const std::string twoRoots = scratch.write("roots.xml", "<mame/><mame/>");
    for (const std::string& path :
         {fixture("truncated.xml"), fixture("malformed.xml"), empty, binary, twoRoots,
          scratch.file("missing.xml"), scratch.path()}) {
        std::string error;
        EXPECT_FALSE(readListXml(path, nullptr, &error)) << path;
        EXPECT_FALSE(error.empty()) << path;
    }
    auto none = readListXml(fixture("empty_list.xml"));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST(ImportListXml, WritesTheCacheIndexesAndLeavesTheTableAloneOnFailure)
{
    ScratchFolder scratch;
    const std::string cache = scratch.file("cache.xml");
    GameTable table;

    testing::internal::CaptureStdout();
    EXPECT_EQ(importListXml(fixture("new_format.xml"), table, cache), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("5 games kept; left out 1 not runnable, 1 BIOS sets, 1 without a screen"),
              std::string::npos)
        << out;
    ASSERT_EQ(table.gameCount(), 5);
    ASSERT_NE(table.index, nullptr);
    const std::string mslug = "mslug";
    EXPECT_EQ(table.index->lookup(&mslug), table.games[1].get());

    GameTable fromCache;
    ASSERT_EQ(readGameCache(cache, fromCache), 1);
    EXPECT_EQ(fromCache.gameCount(), 5);

    testing::internal::CaptureStdout();
    EXPECT_EQ(importListXml(fixture("truncated.xml"), table, scratch.file("other.xml")), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("error: could not parse file " +
                                                          fixture("truncated.xml")),
              std::string::npos);
    EXPECT_EQ(table.gameCount(), 5);
    EXPECT_FALSE(fileExists(scratch.file("other.xml")));
}
