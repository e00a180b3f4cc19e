// Import of the emulator's XML game list ("-listxml") into the game table.
//
// Two layouts are read: the older one with "game" elements, a "video" element and a "control"
// attribute on "input", and the current one with "machine" elements, "display" elements and
// "control" children of "input" (attributes equal to their default left out).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/game_record.h"
#include "catalogue/xml_stream.h"

// How many entries of the list were left out, and why.
struct ListImportCounts {
    int kept = 0;
    int notRunnable = 0;  // runnable="no"
    int bios = 0;         // a machine with isbios="yes"
    int noScreen = 0;     // a machine with neither a display nor a video element

    int read() const { return kept + notRunnable + bios + noScreen; }
};

struct ListReadOptions {
    // Set while the emulator is still writing the list: it is read as it grows.
    const xml_stream::GrowingFile* growing = nullptr;
    // Called after each entry of the list with the counts so far (the GUI thread, when the
    // reader runs there).
    std::function<void(const ListImportCounts&)> progress;
};

// Reads the list at `path` with a streaming reader (bounded memory, whatever its size) into
// records in document order, leaving out what cannot be played. Empty optional when the file is
// missing or not well formed; `error` then holds the parser's reason. Any thread.
std::optional<std::vector<std::unique_ptr<GameRecord>>> readListXml(
    const std::string& path, ListImportCounts* counts = nullptr, std::string* error = nullptr,
    const ListReadOptions& options = {});

// Replaces the catalogue with the list at `path`, writes the game cache to `cachePath` (its
// failure does not change the result; `cacheWritten`, when given, tells) and indexes the
// catalogue. Returns 1 when the whole list was read (even when it holds no game), 0 after
// "error: could not parse file %s" on standard output; the table and the cache are left
// untouched then. Prints how many entries were left out, by reason.
int importListXml(const std::string& path, GameTable& table, const std::string& cachePath,
                  const ListReadOptions& options = {}, bool* cacheWritten = nullptr);
