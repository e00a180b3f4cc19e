// Builds ID3 tags byte by byte, so that the tag tests control every byte (including broken
// ones) instead of trusting a tag writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/music_test_files.h"

inline std::string bigEndian32(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

inline std::string syncsafe32(uint32_t value)
{
    return {static_cast<char>((value >> 21) & 0x7F), static_cast<char>((value >> 14) & 0x7F),
            static_cast<char>((value >> 7) & 0x7F), static_cast<char>(value & 0x7F)};
}

// An ID3v2.3 text frame: id, size, flags, encoding byte, text bytes.
inline std::string id3v2TextFrame(const std::string& id, char encoding, const std::string& text)
{
    return id + bigEndian32(static_cast<uint32_t>(text.size() + 1)) + std::string(2, '\0') +
           encoding + text;
}

// An ID3v2.3 tag holding `frames`; `claimedSize` overrides the size in the header.
inline std::string id3v2Tag(const std::string& frames, int64_t claimedSize = -1)
{
    uint32_t size = claimedSize < 0 ? static_cast<uint32_t>(frames.size())
                                    : static_cast<uint32_t>(claimedSize);
    return std::string("ID3\x03\x00\x00", 6) + syncsafe32(size) + frames;
}

// A 128-byte ID3v1 tag; fields longer than 30 bytes are cut, shorter ones NUL-padded.
inline std::string id3v1Tag(const std::string& title, const std::string& artist)
{
    auto field = [](std::string text, std::size_t size) {
        text.resize(size, '\0');
        return text;
    };
    return "TAG" + field(title, 30) + field(artist, 30) + field("", 30) + "1999" +
           field("", 30) + std::string(1, '\xFF');
}

// The committed 0.3-second tone, untagged.
inline std::string fixtureBytes(const std::string& name)
{
    return readBytes(std::string(QUORVANE_SOURCE_DIR) + "/tests/fixtures/music/" + name);
}
