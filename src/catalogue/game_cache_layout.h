// The quick reader of the game cache: it reads a cache exactly as writeGameCache lays it out
// (the declaration, <games>, then each <game> with its attributes in the written order and its
// optional <video/> and <input/>), straight from the file's bytes, at several times the speed of
// a general XML parser. Anything else, a hand-edited, older or damaged file, is left to the
// general reader, which decides whether the file is usable.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/game_record.h"

// The bytes of a cache a piece at a time: appends the next piece to `buffer`; false when there
// is none left (the end of the file, or a failed read).
using CacheBytes = std::function<bool(std::string& buffer)>;

// Reads the records of the cache that `readMore` yields (ISO-8859-1) into `games`, with their
// texts in UTF-8 as the general reader gives them. Only a record's own bytes and the unread
// rest of the last piece are held, never the whole file. False when the bytes depart from the
// written layout anywhere; `games` then holds whatever was read before that point.
bool readWrittenCacheLayout(const CacheBytes& readMore,
                            std::vector<std::unique_ptr<GameRecord>>& games);
