// Files the music tests make for themselves: a private temporary folder and short wave files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

class TempDir {
public:
    TempDir()
        : path_(std::filesystem::temp_directory_path() /
                ("quorvane-music-" + std::to_string(std::random_device{}())))
    {
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
    writeBytes(path, "RIFF" + le(36 + size, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                         le(rate, 4) + le(rate * 2, 4) + le(2, 2) + le(16, 2) + "data" +
                         le(size, 4) + std::string(size, '\0'));
}
