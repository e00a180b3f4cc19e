// The quick reader of the game cache: it reads a cache exactly as writeGameCache lays it out
// (the declaration, <games>, then each <game> with its attributes in the written order and its
// optional <video/> and <input/>), straight from the file's bytes, at several times the speed of
// a general XML parser. Anything else, a hand-edited, older or damaged file, is left to the
// general reader, which decides whether the file is usable.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "catalogue/game_record.h"

// Reads the records of `text` (the whole file, ISO-8859-1) into `games`, with their texts in
// UTF-8 as the general reader gives them. False when the text departs from the written layout
// anywhere; `games` then holds whatever was read before that point.
bool readWrittenCacheLayout(std::string_view text, std::vector<std::unique_ptr<GameRecord>>& games);
