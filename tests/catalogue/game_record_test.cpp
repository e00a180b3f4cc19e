#include "catalogue/game_record.h"

#include <gtest/gtest.h>

#include "catalogue_test_util.h"

using catalogue_test::makeGame;

TEST(IndexCatalogue, FirstOfEqualNamesWinsAnagramsAreApartAndClonesFindTheirParent)
{
    GameTable table;
    indexCatalogue(table);
    EXPECT_EQ(table.index, nullptr);
    EXPECT_EQ(findFilteredIndex(table, "pacman"), -1);

    // Bytes above 0x7F count as negative in the bucket sum.
    for (const char* name : {"puckman", "pacman", "puckman", "orphan", "kcupman", "\x80\xff", ""})
        table.games.push_back(makeGame(name));
    table.games[1]->cloneof = "puckman";
    table.games[3]->cloneof = "nosuchgame";
    table.games[4]->cloneof = "";  // a nameless record is no one's parent
    indexCatalogue(table);
    ASSERT_NE(table.index, nullptr);
    for (const std::string name : {"puckman", "kcupman", "pacman", "\x80\xff"}) {
        const GameRecord* found = table.index->lookup(&name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->romname, name);
    }
    EXPECT_EQ(table.index->lookup(&table.games[2]->romname), table.games[0].get());
    const std::string unknown = "Puckman";
    EXPECT_EQ(table.index->lookup(&unknown), nullptr);
    EXPECT_EQ(table.games[1]->parent, table.games[0].get());
    EXPECT_EQ(table.games[3]->parent, nullptr);
    EXPECT_EQ(table.games[4]->parent, nullptr);

    // The filtered view is searched exactly, first match first.
    table.filtered = {table.games[4].get(), table.games[2].get(), table.games[0].get()};
    EXPECT_EQ(findFilteredIndex(table, "puckman"), 1);
    EXPECT_EQ(findFilteredIndex(table, "pacman"), -1);  // in games, filtered out
}

TEST(SortCatalogue, ComparesUnsignedBytesAndKeepsImportOrderForEqualTitles)
{
    GameTable table;
    for (const char* title : {"alpha", "Zeta", "Alpha", "\xc3\xa9t\xc3\xa9", "Same", "", "Same",
                              "Street Fighter II", "Street F", "Street F\xc3\xa9",
                              "Street Fighter II"})
        table.games.push_back(makeGame(std::to_string(table.games.size()), title));
    table.games[5]->description.clear();
    sortCatalogue(table);
    std::string order;
    for (const auto& game : table.games) order += game->romname + " ";
    // "" < "Alpha" < "Same"(4) < "Same"(6) < "Street F" < "Street Fighter II"(7, 10) <
    // "Street F\xc3\xa9" < "Zeta" < "alpha" < UTF-8 "été": bytes above 0x7F come last, also
    // beyond the eighth byte.
    EXPECT_EQ(order, "5 2 4 6 8 7 10 9 1 0 3 ");
}
