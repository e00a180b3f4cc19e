#include "catalogue/listxml_import.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::describeAll;
using catalogue_test::fixture;
using Lines = std::vector<std::string>;

TEST(ReadListXml, BothLayoutsAndTheTreeWalkTextRules)
{
    struct Case {
        const char* file;
        Lines records;
        std::vector<int> counts;  // kept, not runnable, BIOS, no screen
    } cases[] = {
        // "198?" reads as 198; only "vertical" is vertical; "Joy4way" and "lightgun" are no
        // known control; runnable="No" is not "no"; a second video and input replace the
        // first; 70000 keeps its low 16 bits; an empty description stays empty.
        {"old_format.xml",
         {"puckman|PuckMan (Japan set 1)|1980|Namco|-|-|raster/1/224/288|2/1/2/4",
          "pacman|Pac-Man (Midway)|198|Namco (Midway license)|puckman|puckman|raster/2/224/288|"
          "2/1/2/0",
          "mslug|Metal Slug - Super Vehicle-001|1996|Nazca|-|neogeo|vector/1/4464/-3|4/6/4/64",
          "nodesc||0|-|-|-|-|-", "orphan|Orphan clone|0|-|missingparent|-|-|1/2/1/0"},
         {5, 1, 0, 0}},
        // BIOS, device and screenless machines are left out; the last display wins; player
        // 2's controls play no part; a video element and old-style attributes take precedence.
        {"new_format.xml",
         {"pacman|Pac-Man (Midway)|1980|Namco (Midway license)|puckman|puckman|raster/1/288/224|"
          "2/0/2/4",
          "mslug|Metal Slug - Super Vehicle-001|1996|Nazca|-|neogeo|raster/2/320/224|2/4/2/8",
          "asteroid|Asteroids (rev 4)|1979|Atari|-|-|vector/2/0/0|2/5/2/127",
          "twoscreen|Two screens|0|-|-|-|lcd/2/640/480|1/3/1/16",
          "oldinput|Old-style attributes win|0|-|-|-|raster/2/320/240|1/2/1/64"},
         {5, 1, 1, 1}},
        // Text is the first child node only (references resolved, a comment or CDATA counts,
        // an element gives none); fields of nested elements are not the game's.
        {"tricky.xml",
         {"amp|Pac & Pal \xe2\x80\x93 Caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac|19|Namco <Japan>|-|-|"
          "raster/2/288/224|-",
          "firstchild||0|\nMaker on the next line|-|-|raster/2/0/0|1/0/0/0",
          "emptydisplay||0|-|-|-|/2/0/0|-"},
         {3, 0, 0, 1}},
        {"empty_list.xml", {}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ListImportCounts counts;
        auto games = readListXml(fixture(c.file), &counts);
        ASSERT_TRUE(games) << c.file;
        EXPECT_EQ(describeAll(*games), c.records) << c.file;
        EXPECT_EQ((std::vector{counts.kept, counts.notRunnable, counts.bios, counts.noScreen}),
                  c.counts)
            << c.file;
    }
}

TEST(ReadListXml, ControlTypeAndWaysMapping)
{
    // The first control of player 1 decides; buttons is the largest among them. Two-way and
    // half sticks suit either joystick; a button-only game suits every controller.
    const std::tuple<const char*, uint16_t, int16_t> cases[] = {
        {R"(<control type="joy" ways="4"/>)", kControlJoy4Way, 0},
        {R"x(<control type="joy" ways="5 (half8)"/>)x", kControlJoy8Way, 0},
        {R"(<control type="joy" ways="2"/>)", kControlJoy4Way | kControlJoy8Way, 0},
        {R"(<control type="doublejoy" ways="8" ways2="8"/>)", kControlDoubleJoy8Way, 0},
        {R"(<control type="stick" buttons="2"/>)", kControlStick, 2},
        {R"(<control type="only_buttons" buttons="3"/>)", 0x7F, 3},
        {R"(<control type="lightgun" buttons="1"/>)", 0, 1},
        {R"(<control type="pedal" buttons="1"/><control type="joy" ways="8" buttons="6"/>)", 0, 6},
        {R"(<control type="joy" player="2" ways="8" buttons="7"/>)"
         R"(<control type="dial" player="1" buttons="2"/>)",
         kControlDial, 2},
        {R"(<control type="joy" player="2" ways="8" buttons="7"/>)", 0, 0},
        // References in values that are kept past their own attribute.
        {R"(<control type="joy&amp;" ways="8&amp;, read after the next value" buttons="1&amp;"/>)",
         0, 1},
    };
    TempFolder scratch;
    for (const auto& [controls, control, buttons] : cases) {
        auto games = readListXml(scratch.write(
            "list.xml", R"(<mame><machine name="m"><display type="raster"/><input players="1">)" +
                            std::string(controls) + "</input></machine></mame>"));
        ASSERT_TRUE(games && games->size() == 1u) << controls;
        EXPECT_EQ((*games)[0]->input->control, control) << controls;
        EXPECT_EQ((*games)[0]->input->buttons, buttons) << controls;
    }
}

TEST(ReadListXml, BadListsFailWithAReason)
{
    TempFolder scratch;
    // A lone surrogate halfway through a UTF-16 list stops the parser without a fatal error.
    for (const std::string& path :
         {fixture("truncated.xml"), fixture("malformed.xml"), scratch.write("empty.xml", ""),
          fixture("list_utf16_lone_surrogate.xml"),
          scratch.write("binary.xml", std::string("\x00\x01\x02garbage", 10)),
          scratch.write("roots.xml", "<mame/><mame/>"),
          scratch.write("dtd.xml",
                        "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n"
                        "<!ELEMENT mame (machine+)>\n]>\n"),
          scratch.path("missing.xml"), scratch.dir()}) {
        std::string error;
        EXPECT_FALSE(readListXml(path, nullptr, &error)) << path;
        EXPECT_FALSE(error.empty()) << path;
    }
}
