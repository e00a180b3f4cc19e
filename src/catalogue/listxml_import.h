// Import of the emulator's XML game list ("-listxml") into the game table.
//
// Two layouts are read: the older one with "game" elements, a "video" element and a "control"
// attribute on "input", and the current one with "machine" elements, "display" elements and
// "control" children of "input" (attributes equal to their default left out).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/game_record.h"

// How many entries of the list were left out, and why.
struct ListImportCounts {
    int kept = 0;
    int notRunnable = 0;  // runnable="no"
    int bios = 0;         // a machine with isbios="yes"
    int noScreen = 0;     // a machine with neither a display nor a video element
};

// Reads the list at `path` with a streaming reader (bounded memory, whatever its size) into
// records in document order, leaving out what cannot be played. Empty optional when the file is
// missing or not well formed; `error` then holds the parser's reason. Any thread.
std::optional<std::vector<std::unique_ptr<GameRecord>>> readListXml(
    const std::string& path, ListImportCounts* counts = nullptr, std::string* error = nullptr);

// Replaces the catalogue with the list at `path`, writes the game cache to `cachePath` (its
// failure does not change the result) and indexes the catalogue. Returns 1 when the list was
// read (even when it holds no game), 0 after "error: could not parse file %s" on standard
// output; the table is left untouched then. Prints how many entries were left out, by reason.
int importListXml(const std::string& path, GameTable& table, const std::string& cachePath);
