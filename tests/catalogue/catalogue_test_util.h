// Helpers shared by the catalogue tests: fixtures, the stand-in emulator, record builders and a
// one-line rendering of a record for whole-record comparisons.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/game_record.h"
#include "config/temp_folder.h"

namespace catalogue_test {

// A file of tests/fixtures/catalogue ("../history/x" for one of another fixture folder).
inline std::string fixture(const std::string& name)
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/fixtures/catalogue/" + name;
}

inline std::string standInEmulator()
{
    return std::string(QUORVANE_SOURCE_DIR) + "/tests/support/stand_in_mame.sh";
}

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
