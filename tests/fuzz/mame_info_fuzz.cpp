// History files, mameinfo.dat or XML (told apart by their first byte): the texts are attached to a
// small catalogue whose names the corpus uses.
#include "catalogue/catalogue_test_util.h"
#include "catalogue/mame_info.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile scratch(".dat");
    GameTable table;
    for (const char* name : {"pacman", "puckman", "mslug", "1942"})
        table.games.push_back(catalogue_test::makeGame(name));
    table.games[0]->cloneof = "puckman";
    indexCatalogue(table);
    loadMameInfo(scratch.write(fuzz::asText(data, size)), table);
    return 0;
}
