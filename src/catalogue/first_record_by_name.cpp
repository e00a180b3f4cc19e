#include "catalogue/first_record_by_name.h"

#include <bit>
#include <functional>

FirstRecordByName::FirstRecordByName(const std::vector<std::unique_ptr<GameRecord>>& games)
    : games_(games), slots_(std::bit_ceil(games.size() * 2 + 1), kEmpty)
{
    for (size_t i = 0; i < games.size(); ++i) {
        if (games[i]->romname.empty()) continue;  // as in the index: no name, no lookup
        const size_t slot = slotOf(games[i]->romname);
        // A later record of a name already held is never found: the first one wins.
        if (slots_[slot] == kEmpty) slots_[slot] = static_cast<uint32_t>(i + 1);
    }
}

GameRecord* FirstRecordByName::find(std::string_view name) const
{
    const uint32_t held = slots_[slotOf(name)];
    return held == kEmpty ? nullptr : games_[held - 1].get();
}

// The slot that holds `name`, or the empty slot where it would go (open addressing, linear
// probing; at most half the slots are used, so an empty one is always met).
size_t FirstRecordByName::slotOf(std::string_view name) const
{
    const size_t mask = slots_.size() - 1;
    for (size_t slot = std::hash<std::string_view>{}(name) & mask;; slot = (slot + 1) & mask) {
        const uint32_t held = slots_[slot];
        if (held == kEmpty || games_[held - 1]->romname == name) return slot;
    }
}
