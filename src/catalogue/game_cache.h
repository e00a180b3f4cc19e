// The game cache: the runnable games reduced to the fields the launcher uses, kept in a small
// XML file so that later starts need not ask the emulator for its whole list.
//
// Layout (ISO-8859-1): <games> holds one <game romname description year manufacturer
// [cloneof] [romof]> per record, each with an optional empty <video screen orientation xres
// yres/> and then an optional empty <input players buttons coins control/>.
#pragma once

#include <string>

#include "catalogue/game_record.h"

// Writes every record of `table.games`, in its current order, to `path`. The file is written
// to a temporary file beside it and renamed over it, so an interrupted write leaves the previous
// cache whole. Returns false after a message on standard output when nothing was written (also
// when something other than a regular file stands at `path`).
bool writeGameCache(const GameTable& table, const std::string& path);

// Replaces the catalogue with the records of the cache at `path` and indexes it. Returns 1 when
// the whole file was read, 0 after "error: could not parse file %s" on standard output when it
// is missing, not a regular file, or fails to parse at any byte; the table is left untouched
// then.
int readGameCache(const std::string& path, GameTable& table);
