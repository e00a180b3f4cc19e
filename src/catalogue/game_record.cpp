#include "catalogue/game_record.h"

#include <algorithm>
#include <cstring>

#include "catalogue/first_record_by_name.h"

uint32_t romnameHash(const std::string& key, uint32_t bucketCount)
{
    if (bucketCount == 0) return 0;
    uint32_t sum = 0;
    for (char c : key) sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
    return sum % bucketCount;
}

int romnameEquals(const std::string& stored, const std::string& lookedUp)
{
    return stored == lookedUp ? 1 : 0;
}

void indexCatalogue(GameTable& table)
{
    table.index = HashTable<std::string, GameRecord>::create(
        static_cast<uint32_t>(table.games.size()), romnameHash, romnameEquals);
    if (table.index) {
        // A record without a name cannot be looked up by one.
        for (auto& game : table.games) {
            if (!game->romname.empty()) table.index->insert(&game->romname, game.get());
        }
    }
    // The same first-of-its-name record the index finds, through a lookup whose chains stay
    // short whatever the names' byte sums.
    const FirstRecordByName byName(table.games);
    for (auto& game : table.games) {
        game->parent = nullptr;
        if (game->cloneof && table.index) game->parent = byName.find(*game->cloneof);
    }
}

int compareByDescription(const GameRecord& a, const GameRecord& b)
{
    // std::string::compare uses char_traits<char>, which compares as unsigned char.
    const int c = a.description.compare(b.description);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {

// The first eight bytes of a description as one number, in the order of the bytes compared
// unsigned; a shorter text is padded with zero bytes. Equal numbers leave the order to the
// whole texts.
uint64_t descriptionPrefix(const std::string& description)
{
    uint64_t key = 0;
    for (size_t i = 0; i < sizeof key; ++i) {
        const auto byte = i < description.size() ? static_cast<unsigned char>(description[i]) : 0;
        key = (key << 8) | byte;
    }
    return key;
}

}  // namespace

void sortCatalogue(GameTable& table)
{
    // Sorted by number first, so that most comparisons never leave the sort's own array; the
    // import position breaks ties, which keeps equal titles in import order.
    struct Entry {
        uint64_t prefix;
        uint32_t position;
        std::unique_ptr<GameRecord> game;
    };
    std::vector<Entry> entries;
    entries.reserve(table.games.size());
    for (auto& game : table.games) {
        entries.push_back(Entry{descriptionPrefix(game->description),
                                static_cast<uint32_t>(entries.size()), std::move(game)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        const int c = compareByDescription(*a.game, *b.game);
        return c != 0 ? c < 0 : a.position < b.position;
    });
    for (size_t i = 0; i < entries.size(); ++i) table.games[i] = std::move(entries[i].game);
}

int findFilteredIndex(const GameTable& table, const std::string& romname)
{
    for (size_t i = 0; i < table.filtered.size(); ++i) {
        if (table.filtered[i]->romname == romname) return static_cast<int>(i);
    }
    return -1;
}

void releaseCatalogue(GameTable& table)
{
    table.filtered.clear();
    table.index.reset();
    table.games.clear();
}
