// The playlist file: a plain text file naming one music file per line, in play order.
//
// Each line is taken exactly as written (blanks kept, no comments; an empty line is an entry
// whose file cannot be opened). A line ends at a line feed, and a carriage return just before
// it is dropped. Lines are cut into pieces of at most kPlaylistPieceLength characters, each of
// which becomes an entry, so one absurdly long line cannot make one absurdly long name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "music/song.h"

inline constexpr std::size_t kPlaylistPieceLength = 1023;

// Reads the playlist at `path` into songs without titles or artists. Returns nullopt, after
// writing "Failed to load playlist file\n" to standard output, when the file cannot be opened
// for reading or is not a regular file (a folder, a FIFO, a device; said on standard error);
// a file without lines gives an empty list.
std::optional<std::vector<Song>> loadPlaylist(const std::string& path);
