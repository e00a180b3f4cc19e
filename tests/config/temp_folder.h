// A fresh temporary folder, removed with its contents at the end of the test, whole-file helpers
// for byte-exact comparisons, and an environment variable set for the length of a scope.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFolder {
public:
    TempFolder() { std::filesystem::create_directories(root_); }
    ~TempFolder() { std::filesystem::remove_all(root_, ignored_); }

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    std::string dir() const { return root_.string(); }
    // Writes `bytes` to the file `name` in the folder and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        writeFile(path(name), bytes);
        return path(name);
    }
    long entries() const
    {
        using It = std::filesystem::directory_iterator;
        return std::distance(It(root_), It());
    }

private:
    std::filesystem::path root_ = std::filesystem::temp_directory_path() /
                                  ("quorvane-test-" + std::to_string(std::random_device()()));
    std::error_code ignored_;
};

// Sets (or, with no value, unsets) an environment variable while the object lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedEnv() { set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& v)
    {
        v ? setenv(name_, v->c_str(), 1) : unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};
