// The catalogue: one GameRecord per game the emulator can run, an index from romname to record,
// and the filtered, sorted view that the browse screen shows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/hash_table.h"

// Control type bits, shared by the list import, the filters and the ControllerTypes setting.
enum ControlType : uint16_t {
    kControlDial = 0x01,
    kControlDoubleJoy8Way = 0x02,
    kControlJoy4Way = 0x04,
    kControlJoy8Way = 0x08,
    kControlPaddle = 0x10,
    kControlStick = 0x20,
    kControlTrackball = 0x40,
};

struct VideoInfo {
    std::string screen;        // "raster", "vector", ... as the emulator names it
    uint16_t orientation = 0;  // 1 vertical, 2 horizontal, 0 never set
    int16_t width = 0;
    int16_t height = 0;
};

struct InputInfo {
    int16_t players = 0;
    int16_t buttons = 0;
    int16_t coins = 0;
    uint16_t control = 0;  // ControlType bits; 0 when the type is unknown
};

struct GameRecord {
    std::string romname;
    std::string description;
    int32_t year = 0;
    std::optional<std::string> manufacturer;
    std::optional<std::string> cloneof;
    std::optional<std::string> romof;
    std::unique_ptr<VideoInfo> video;
    std::unique_ptr<InputInfo> input;
    int present = 0;                     // 1 when the ROM folder holds romname + ".zip"
    std::vector<std::string> infoLines;  // the game's history text, one element per line
    GameRecord* parent = nullptr;        // borrowed: the record named by cloneof, if any
};

struct GameTable {
    std::vector<std::unique_ptr<GameRecord>> games;  // import order, then sorted by description
    std::unique_ptr<HashTable<std::string, GameRecord>> index;  // null while empty
    std::vector<GameRecord*> filtered;                          // borrowed, in games order

    int gameCount() const { return static_cast<int>(games.size()); }
    int filteredCount() const { return static_cast<int>(filtered.size()); }
};

// Byte sum of the key (bytes as signed 8-bit values, 32-bit wrap-around) modulo bucketCount.
uint32_t romnameHash(const std::string& key, uint32_t bucketCount);
int romnameEquals(const std::string& stored, const std::string& lookedUp);

// Builds the index (one bucket per game) and links every clone to its parent. Run by both
// importers once `games` is complete.
void indexCatalogue(GameTable& table);

// Byte-wise unsigned comparison of the two descriptions: negative, 0 or positive.
int compareByDescription(const GameRecord& a, const GameRecord& b);

// Stable sort of `games` by description, so equal titles keep import order.
void sortCatalogue(GameTable& table);

// First position in `filtered` whose romname equals `romname` exactly; -1 when none.
int findFilteredIndex(const GameTable& table, const std::string& romname);

// Empties the view, the index and the records, in that order.
void releaseCatalogue(GameTable& table);
