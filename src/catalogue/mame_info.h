// The history texts of mameinfo.dat: each "$info=<name>" entry's "$mame" section is attached to
// the game of that name as its infoLines.
#pragma once

#include <cstdio>
#include <string>

#include "catalogue/game_record.h"

// Reads the file at `path` and attaches its entries to the games of `table` (which must be
// indexed). Returns 0 after "Error opening file: [%s]" on standard output when the file cannot
// be opened; otherwise 1, even when the file is not in order (then "Failed to load data from
// mameinfo.dat!" is printed and the entries read before the fault stay attached). A file that
// starts with "<" is read as an XML history file instead (see history_xml.h): 0 when it is not
// well formed. The caller decides whether reading is switched on.
int loadMameInfo(const std::string& path, GameTable& table);

// Whether the history file at `path` can be opened: 0 after "Error opening file: [%s]" on
// standard output when it cannot, otherwise 1. Start-up only checks the file, so that a wrong
// path is still found at once; the texts (megabytes for a full cabinet) are read by
// loadMameInfo when they are first asked for, and a file found not in order then is reported
// at that moment, on standard output or standard error as loadMameInfo reports it.
int checkMameInfo(const std::string& path);

// Reads the open `file` to its end. Returns 1 when the reading ended outside an entry, 0 when
// the file ended (or a marker out of order, reported as "invalid state found!!!", stopped the
// reading) inside one, or when the file could not be read. Lines end with LF or CR LF; lines
// longer than 1023 bytes arrive in pieces.
int readMameInfo(std::FILE* file, GameTable& table);
