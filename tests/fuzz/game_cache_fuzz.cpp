// The game cache: whatever the reader accepts must survive the next write and read unchanged,
// or a later start would show other games than the first.
#include <string>

#include "catalogue/catalogue_test_util.h"
#include "catalogue/game_cache.h"
#include "fuzz_scratch.h"

using catalogue_test::describeAll;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile input(".xml"), output(".written.xml"), general(".general.xml");
    GameTable table;
    if (readGameCache(input.write(fuzz::asText(data, size)), table) != 1) return 0;
    // A line break after <games> sends the same records through the general XML reader, which
    // must agree with the quick reader of the written layout.
    std::string text(fuzz::asText(data, size));
    const size_t games = text.find("<games>");
    if (games != std::string::npos) {
        GameTable parsed;
        FUZZ_CHECK(readGameCache(general.write(text.insert(games + 7, "\n")), parsed) == 1);
        FUZZ_CHECK(describeAll(parsed.games) == describeAll(table.games));
    }
    FUZZ_CHECK(writeGameCache(table, output.path));
    GameTable again;
    FUZZ_CHECK(readGameCache(output.path, again) == 1);
    FUZZ_CHECK(describeAll(again.games) == describeAll(table.games));
    return 0;
}
