#include "catalogue/game_record.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::makeGame;

TEST(RomnameHash, SumsSignedBytesModuloBucketCount)
{
    struct Case {
        std::string key;
        uint32_t buckets;
        uint32_t expected;
    } cases[] = {
        {"abc", 1000, 294},
        {"abc", 7, 294 % 7},
        {"", 13, 0},
        // 0xFF counts as -1: "a" (97) + (-1) = 96.
        {"a\xff", 1000, 96},
        // A negative sum is taken as unsigned 32-bit: -128 -> 4294967168.
        {"\x80", 1000, static_cast<uint32_t>(-128) % 1000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(romnameHash(c.key, c.buckets), c.expected) << c.key;
    }
    EXPECT_EQ(romnameEquals("pacman", "pacman"), 1);
    EXPECT_EQ(romnameEquals("pacman", "Pacman"), 0);
}

TEST(IndexCatalogue, FirstOfEqualNamesWinsAndClonesFindTheirParent)
{
    GameTable table;
    table.games.push_back(makeGame("puckman", "first"));
    table.games.push_back(makeGame("pacman"));
    table.games.back()->cloneof = "puckman";
    table.games.push_back(makeGame("puckman", "second"));
    table.games.push_back(makeGame("orphan"));
    table.games.back()->cloneof = "nosuchgame";
    indexCatalogue(table);

    ASSERT_NE(table.index, nullptr);
    EXPECT_EQ(table.index->bucketCount(), 4u);
    const std::string puckman = "puckman";
    EXPECT_EQ(table.index->lookup(&puckman)->description, "first");
    EXPECT_EQ(table.games[1]->parent, table.games[0].get());
    EXPECT_EQ(table.games[3]->parent, nullptr);
    EXPECT_EQ(table.games[0]->parent, nullptr);
}

TEST(IndexCatalogue, EmptyCatalogueHasNoIndexAndFindsNothing)
{
    GameTable table;
    indexCatalogue(table);
    EXPECT_EQ(table.index, nullptr);
    EXPECT_EQ(findFilteredIndex(table, "pacman"), -1);
    EXPECT_EQ(findFilteredIndex(table, ""), -1);
}

TEST(SortCatalogue, ComparesUnsignedBytesAndKeepsImportOrderForEqualTitles)
{
    GameTable table;
    for (const char* title : {"alpha", "Zeta", "Alpha", "\xc3\xa9t\xc3\xa9", "Same", "", "Same"}) {
        table.games.push_back(makeGame(std::to_string(table.games.size()), title));
        table.games.back()->description = title;
    }
    sortCatalogue(table);
    std::vector<std::string> order;
    for (const auto& game : table.games) order.push_back(game->romname);
    // "" < "Alpha" < "Same"(4) < "Same"(6) < "Zeta" < "alpha" < UTF-8 "été" (bytes above 0x7F).
    EXPECT_EQ(order, (std::vector<std::string>{"5", "2", "4", "6", "1", "0", "3"}));

    EXPECT_LT(compareByDescription(*makeGame("x", "Z"), *makeGame("y", "a")), 0);
    EXPECT_GT(compareByDescription(*makeGame("x", "\xc3\xa9"), *makeGame("y", "z")), 0);
    EXPECT_EQ(compareByDescription(*makeGame("x", "Same"), *makeGame("y", "Same")), 0);
}

TEST(FindFilteredIndex, SearchesOnlyTheViewExactly)
{
    GameTable table;
    for (const char* name : {"a", "b", "c", "b"}) table.games.push_back(makeGame(name));
    table.filtered = {table.games[1].get(), table.games[2].get(), table.games[3].get()};
    EXPECT_EQ(findFilteredIndex(table, "b"), 0);
    EXPECT_EQ(findFilteredIndex(table, "c"), 1);
    EXPECT_EQ(findFilteredIndex(table, "a"), -1);  // in games, filtered out
    EXPECT_EQ(findFilteredIndex(table, "C"), -1);

    releaseCatalogue(table);
    EXPECT_EQ(table.gameCount(), 0);
    EXPECT_EQ(table.filteredCount(), 0);
    EXPECT_EQ(table.index, nullptr);
}
