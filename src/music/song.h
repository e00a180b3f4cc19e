// One playlist entry: the music file's name as written in the playlist, and what its tags say.
#pragma once

#include <optional>
#include <string>

struct Song {
    std::string filename;               // handed unchanged to the audio output
    std::optional<std::string> title;   // absent until found in the file's tags
    std::optional<std::string> artist;  // likewise
};
