// The game cache: whatever the reader accepts must survive the next write and read unchanged,
// or a later start would show other games than the first.
#include <string>
#include <vector>

#include "catalogue/catalogue_test_util.h"
#include "catalogue/game_cache.h"
#include "fuzz_scratch.h"

namespace {

std::vector<std::string> describeAll(const GameTable& table)
{
    std::vector<std::string> lines;
    for (const auto& game : table.games) lines.push_back(catalogue_test::describe(*game));
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile input(".xml"), output(".written.xml");
    fuzz::writeScratch(input.path, fuzz::asText(data, size));
    GameTable table;
    if (readGameCache(input.path, table) != 1) return 0;
    // A line break after <games> sends the same records through the general XML reader, which
    // must agree with the quick reader of the written layout.
    static const fuzz::ScratchFile general(".general.xml");
    std::string text(fuzz::asText(data, size));
    const size_t games = text.find("<games>");
    if (games != std::string::npos) {
        fuzz::writeScratch(general.path, text.insert(games + 7, "\n"));
        GameTable parsed;
        FUZZ_CHECK(readGameCache(general.path, parsed) == 1);
        FUZZ_CHECK(describeAll(parsed) == describeAll(table));
    }
    FUZZ_CHECK(writeGameCache(table, output.path));
    GameTable again;
    FUZZ_CHECK(readGameCache(output.path, again) == 1);
    FUZZ_CHECK(describeAll(again) == describeAll(table));
    return 0;
}
