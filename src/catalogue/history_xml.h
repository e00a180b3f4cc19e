// The history texts as distributed in XML: a root (usually <history>) of <entry> elements, each
// naming its games in <systems><system name="..."/></systems> and holding one <text>. The text
// of each entry is attached, as lines, to every game it names, as mameinfo.dat's texts are.
#pragma once

#include <cstddef>
#include <string>

#include "catalogue/game_record.h"

// Texts longer than this are cut (at a character boundary), with a line on standard error: the
// window cannot usefully show more, and memory stays bounded however large the file is.
inline constexpr std::size_t kMaxHistoryTextBytes = std::size_t{1} << 20;

// True when the file at `path` starts, after an optional byte-order mark and white space, with
// "<": an XML history file rather than a mameinfo.dat. False when it cannot be read.
bool looksLikeXmlFile(const std::string& path);

// Streams the file at `path` (the parser never holds more than a chunk and one entry) and
// attaches each entry's text to the games of `table` (which must be indexed) that it names; a
// game named by several entries keeps the last one. Returns 0, with the reason (and its line)
// on standard error, when the file cannot be read or is not well-formed XML; entries read
// before the fault stay attached. Otherwise 1.
int loadHistoryXml(const std::string& path, GameTable& table);
