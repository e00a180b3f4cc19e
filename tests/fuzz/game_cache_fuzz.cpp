// The game cache: whatever the reader accepts must survive the next write and read unchanged,
// or a later start would show other games than the first.
#include "catalogue/catalogue_test_util.h"
#include "catalogue/game_cache.h"
#include "fuzz_scratch.h"

using catalogue_test::describeAll;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile input(".xml"), output(".written.xml");
    GameTable table;
    if (readGameCache(input.write(data, size), table) != 1) return 0;
    FUZZ_CHECK(writeGameCache(table, output.path));
    GameTable again;
    FUZZ_CHECK(readGameCache(output.path, again) == 1);
    FUZZ_CHECK(describeAll(again.games) == describeAll(table.games));
    return 0;
}
