// mameinfo.dat: the history texts, attached to a small catalogue whose names the corpus uses.
#include <cstdio>
#include <memory>
#include <vector>

#include "catalogue/catalogue_test_util.h"
#include "catalogue/mame_info.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    GameTable table;
    for (const char* name : {"pacman", "puckman", "mslug", "1942"})
        table.games.push_back(catalogue_test::makeGame(name));
    table.games[0]->cloneof = "puckman";
    indexCatalogue(table);
    std::vector<char> bytes(data, data + size);
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (file == nullptr) return 0;
    readMameInfo(file, table);
    std::fclose(file);
    return 0;
}
