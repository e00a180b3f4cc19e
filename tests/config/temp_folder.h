// A fresh folder under the system's temporary folder, removed with everything in it at the end of
// the test; plus whole-file helpers for byte-exact comparisons.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        root_ = std::filesystem::temp_directory_path() /
                ("quorvane-config-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(root_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
