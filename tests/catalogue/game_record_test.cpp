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
        {"cba", 1000, 294},  // anagrams share a bucket
        {"", 13, 0},
        {"a\xff", 1000, 96},                                 // 0xFF counts as -1
        {"\x80", 1000, static_cast<uint32_t>(-128) % 1000},  // a negative sum wraps
    };
    for (const auto& c : cases) EXPECT_EQ(romnameHash(c.key, c.buckets), c.expected) << c.key;
}

TEST(IndexCatalogue, FirstOfEqualNamesWinsAnagramsAreApartAndClonesFindTheirParent)
{
    GameTable table;
    indexCatalogue(table);
    EXPECT_EQ(table.index, nullptr);
    EXPECT_EQ(findFilteredIndex(table, "pacman"), -1);

    for (const char* name : {"puckman", "pacman", "puckman", "orphan", "kcupman"})
        table.games.push_back(makeGame(name));
    table.games[1]->cloneof = "puckman";
    table.games[3]->cloneof = "nosuchgame";
    indexCatalogue(table);
    ASSERT_NE(table.index, nullptr);
    EXPECT_EQ(table.index->bucketCount(), 5u);
    for (const std::string name : {"puckman", "kcupman", "pacman"}) {
        const GameRecord* found = table.index->lookup(&name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->romname, name);
        if (name == "puckman") {
            EXPECT_EQ(found, table.games[0].get());
        }
    }
    const std::string unknown = "Puckman";
    EXPECT_EQ(table.index->lookup(&unknown), nullptr);
    EXPECT_EQ(table.games[1]->parent, table.games[0].get());
    EXPECT_EQ(table.games[3]->parent, nullptr);
}

TEST(SortCatalogue, ComparesUnsignedBytesAndKeepsImportOrderForEqualTitles)
{
    GameTable table;
    for (const char* title : {"alpha", "Zeta", "Alpha", "\xc3\xa9t\xc3\xa9", "Same", "", "Same"}) {
        table.games.push_back(makeGame(std::to_string(table.games.size())));
        table.games.back()->description = title;
    }
    sortCatalogue(table);
    std::vector<std::string> order;
    for (const auto& game : table.games) order.push_back(game->romname);
    // "" < "Alpha" < "Same"(4) < "Same"(6) < "Zeta" < "alpha" < UTF-8 "été" (bytes above 0x7F).
    EXPECT_EQ(order, (std::vector<std::string>{"5", "2", "4", "6", "1", "0", "3"}));
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
}
