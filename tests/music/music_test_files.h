// Files the music tests use: the committed fixtures and short wave files made on the spot.
#pragma once

#include <cstdint>
#include <string>

#include "config/temp_folder.h"

// A committed audio file (a 0.3-second untagged tone).
inline std::string fixture(const std::string& name)
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/fixtures/music/" + name;
}

// A 16-bit mono PCM wave file of `ms` milliseconds of silence.
inline void writeSilentWav(const std::string& path, uint32_t ms)
{
    const uint32_t rate = 22050, size = rate * 2 * ms / 1000;
    auto le = [](uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
        return out;
    };
    writeFile(path, "RIFF" + le(36 + size, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                        le(rate, 4) + le(rate * 2, 4) + le(2, 2) + le(16, 2) + "data" +
                        le(size, 4) + std::string(size, '\0'));
}
