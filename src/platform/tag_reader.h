// The title and artist fields that a music file carries in its ID3 tags.
#pragma once

#include <optional>
#include <string>

// Each field is absent when the file has no such tag or frame. Texts are UTF-8, cut at the
// first NUL; the ID3v2 values are the frames' texts without their leading encoding byte.
struct TagFields {
    std::optional<std::string> id3v2Title;   // frame TIT2
    std::optional<std::string> id3v2Artist;  // frame TPE1
    std::optional<std::string> id3v1Title;   // ID3v1 field "TITLE"
    std::optional<std::string> id3v1Artist;  // ID3v1 field "ARTIST"
};

class TagReader {
public:
    virtual ~TagReader() = default;

    // Reads the four fields of the file at `path`. A missing, unreadable or malformed file
    // gives a record with every field absent; never fails otherwise. Reads only the tags, not
    // the audio. Any thread, but one call at a time per reader.
    virtual TagFields read(const std::string& path) = 0;
};
