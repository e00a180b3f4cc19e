// Helpers shared by the catalogue tests: scratch folders, the stand-in emulator, record builders
// and a one-line rendering of a record for whole-record comparisons.
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
    ScratchFolder() : path_(createTemporaryFile(temporaryFolder(), "catalogue-test-").value())
    {
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
        std::ofstream(file(name), std::ios::binary) << contents;
        return file(name);
    }
    bool empty() const { return std::filesystem::is_empty(path_); }

private:
    std::string path_;
};

inline std::string readAll(const std::string& path)
{
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

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
    void set(const std::optional<std::string>& value)
    {
        value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
    }
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

// Every stored field: "romname|description|year|manufacturer|cloneof|romof|video|input", an
// absent part as "-", video as "screen/orientation/width/height", input as
// "players/buttons/coins/control".
inline std::string describe(const GameRecord& g)
{
    std::ostringstream out;
    const auto text = [](const std::optional<std::string>& t) { return t ? *t : "-"; };
    out << g.romname << '|' << g.description << '|' << g.year << '|' << text(g.manufacturer) << '|'
        << text(g.cloneof) << '|' << text(g.romof) << '|';
    const VideoInfo* v = g.video.get();
    (v ? out << v->screen << '/' << v->orientation << '/' << v->width << '/' << v->height
       : out << '-');
    const InputInfo* i = g.input.get();
    (i ? out << '|' << i->players << '/' << i->buttons << '/' << i->coins << '/' << i->control
       : out << "|-");
    return out.str();
}

inline std::vector<std::string> describeAll(const std::vector<std::unique_ptr<GameRecord>>& games)
{
    std::vector<std::string> lines;
    for (const auto& game : games) lines.push_back(describe(*game));
    return lines;
}

}  // namespace catalogue_test
