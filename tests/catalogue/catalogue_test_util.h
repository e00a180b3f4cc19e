// Helpers shared by the catalogue tests: scratch folders, small files, the stand-in emulator and
// record builders.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "catalogue/game_record.h"
#include "platform/files.h"

namespace catalogue_test {

inline std::string fixture(const std::string& name)
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/fixtures/catalogue/" + name;
}

inline std::string standInEmulator()
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/support/stand_in_mame.sh";
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        auto file =
            createTemporaryFile(std::filesystem::temp_directory_path().string(), "catalogue-test-");
        path_ = file.value();
        std::filesystem::remove(path_);
        std::filesystem::create_directory(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    std::string write(const std::string& name, const std::string& contents) const
    {
        std::ofstream out(file(name), std::ios::binary);
        out << contents;
        return file(name);
    }

    // A shell script that the runner can execute directly.
    std::string script(const std::string& name, const std::string& body) const
    {
        const std::string path = write(name, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        return path;
    }

    // Entries in the folder, for "nothing left behind" checks.
    int entryCount() const
    {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path_)) ++n;
        return n;
    }

private:
    std::string path_;
};

inline std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

inline std::unique_ptr<GameRecord> makeGame(const std::string& romname,
                                            const std::string& description = "")
{
    auto game = std::make_unique<GameRecord>();
    game->romname = romname;
    game->description = description.empty() ? romname : description;
    return game;
}

}  // namespace catalogue_test
