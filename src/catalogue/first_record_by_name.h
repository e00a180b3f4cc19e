// A flat, fixed lookup from a romname to the first record of that name, for the passes that look
// up thousands of names at once (clone-to-parent links, the ROM folder scan). It holds one index
// per slot and no node per record, so building it allocates once.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "catalogue/game_record.h"

class FirstRecordByName {
public:
    // Borrows the records of `games`, which must outlive the lookup and not change meanwhile.
    explicit FirstRecordByName(const std::vector<std::unique_ptr<GameRecord>>& games);

    // The first record in `games` order whose romname equals `name` exactly; null when none
    // and for the empty name.
    GameRecord* find(std::string_view name) const;

private:
    static constexpr uint32_t kEmpty = 0;  // slots hold a position in `games` plus one

    size_t slotOf(std::string_view name) const;

    const std::vector<std::unique_ptr<GameRecord>>& games_;
    std::vector<uint32_t> slots_;
};
