// Files the music tests make for themselves: a private temporary folder, text files, and short
// wave files.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("quorvane-music-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 16-bit mono PCM wave file holding a quiet tone of `ms` milliseconds.
inline void writeToneWav(const std::string& path, int ms, int rate = 22050)
{
    auto le = [](std::string& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    uint32_t frames = static_cast<uint32_t>(rate) * static_cast<uint32_t>(ms) / 1000;
    std::string data;
    for (uint32_t i = 0; i < frames; ++i) {
        auto sample = static_cast<int16_t>(2000 * std::sin(2 * 3.14159265 * 440 * i / rate));
        le(data, static_cast<uint16_t>(sample), 2);
    }
    std::string wav = "RIFF";
    le(wav, 36 + static_cast<uint32_t>(data.size()), 4);
    wav += "WAVEfmt ";
    le(wav, 16, 4);
    le(wav, 1, 2);  // PCM
    le(wav, 1, 2);  // mono
    le(wav, static_cast<uint32_t>(rate), 4);
    le(wav, static_cast<uint32_t>(rate) * 2, 4);
    le(wav, 2, 2);
    le(wav, 16, 2);
    wav += "data";
    le(wav, static_cast<uint32_t>(data.size()), 4);
    writeBytes(path, wav + data);
}
