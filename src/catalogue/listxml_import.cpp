// The list is read node by node with libxml2's streaming reader instead of as a document tree:
// the emulator's full list is hundreds of megabytes. The reader sees the same nodes in the same
// order as a walk of the tree, so a game element is the element one level below the root, its
// fields the elements one level below it, and the text of a field is its first child node.
#include "catalogue/listxml_import.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "catalogue/game_cache.h"
#include "catalogue/xml_stream.h"

namespace {

using xml_stream::StreamReader;

bool equals(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// The control attribute of the older list layout: one name per bit.
uint16_t controlFromName(const char* name)
{
    static const struct {
        const char* name;
        uint16_t bit;
    } kNames[] = {
        {"dial", kControlDial},           {"doublejoy8way", kControlDoubleJoy8Way},
        {"joy4way", kControlJoy4Way},     {"joy8way", kControlJoy8Way},
        {"paddle", kControlPaddle},       {"stick", kControlStick},
        {"trackball", kControlTrackball},
    };
    for (const auto& entry : kNames) {
        if (equals(name, entry.name)) return entry.bit;
    }
    return 0;
}

constexpr uint16_t kAllControls = kControlDial | kControlDoubleJoy8Way | kControlJoy4Way |
                                  kControlJoy8Way | kControlPaddle | kControlStick |
                                  kControlTrackball;

// The control code of a "control" child of the current layout, from its type and ways.
uint16_t controlFromChild(const std::string& type, const std::string& ways)
{
    if (type == "joy") {
        if (ways == "4") return kControlJoy4Way;
        if (ways == "8" || ways == "5 (half8)" || ways == "16") return kControlJoy8Way;
        // Two-way, vertical and half-four-way sticks work with either kind of joystick.
        return kControlJoy4Way | kControlJoy8Way;
    }
    if (type == "doublejoy") return kControlDoubleJoy8Way;
    if (type == "only_buttons") return kAllControls;
    // "stick", "paddle", "dial", "trackball" name their own bit, as do the older names.
    return controlFromName(type.c_str());
}

enum class TextField { None, Description, Year, Manufacturer };

// The game element being read, with what its children have told so far.
struct GameInProgress {
    std::unique_ptr<GameRecord> record = std::make_unique<GameRecord>();
    bool isMachine = false;
    bool runnable = true;
    bool bios = false;
    std::unique_ptr<VideoInfo> lastDisplay;

    // The open "input" element, while its children are read.
    bool inputOpen = false;
    bool inputHasButtons = false;
    bool inputHasControl = false;
    bool sawPlayerOneControl = false;
    int32_t maxButtons = 0;
    std::string firstType;
    std::string firstWays;

    void finishInput()
    {
        inputOpen = false;
        InputInfo& input = *record->input;
        if (!sawPlayerOneControl) return;
        if (!inputHasButtons) input.buttons = static_cast<int16_t>(maxButtons);
        if (!inputHasControl) input.control = controlFromChild(firstType, firstWays);
    }
};

void readGameAttributes(StreamReader& reader, GameInProgress& game)
{
    GameRecord& record = *game.record;
    reader.forEachAttribute([&](const char* name, const char* value) {
        if (equals(name, "runnable")) {
            game.runnable = !equals(value, "no");
        } else if (equals(name, "isbios")) {
            game.bios = equals(value, "yes");
        } else if (equals(name, "name")) {
            record.romname = value;
        } else if (equals(name, "cloneof")) {
            record.cloneof = value;
        } else if (equals(name, "romof")) {
            record.romof = value;
        }
    });
}

void readInput(StreamReader& reader, GameInProgress& game)
{
    game.record->input = std::make_unique<InputInfo>();
    InputInfo& input = *game.record->input;
    game.inputHasButtons = false;
    game.inputHasControl = false;
    game.sawPlayerOneControl = false;
    game.maxButtons = 0;
    reader.forEachAttribute([&](const char* name, const char* value) {
        if (equals(name, "players")) {
            input.players = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (equals(name, "buttons")) {
            input.buttons = static_cast<int16_t>(xml_stream::decimal(value));
            game.inputHasButtons = true;
        } else if (equals(name, "coins")) {
            input.coins = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (equals(name, "control")) {
            input.control = controlFromName(value);
            game.inputHasControl = true;
        }
    });
    game.inputOpen = !reader.isEmptyElement();
    if (!game.inputOpen) game.finishInput();
}

void readControl(StreamReader& reader, GameInProgress& game)
{
    std::string type;
    std::string ways;
    bool playerOne = true;  // a control without a player belongs to player 1
    int32_t buttons = 0;
    reader.forEachAttribute([&](const char* name, const char* value) {
        if (equals(name, "type")) {
            type = value;
        } else if (equals(name, "ways")) {
            ways = value;
        } else if (equals(name, "player")) {
            playerOne = xml_stream::decimal(value) == 1;
        } else if (equals(name, "buttons")) {
            buttons = xml_stream::decimal(value);
        }
    });
    if (!playerOne) return;
    if (!game.sawPlayerOneControl) {
        game.firstType = type;
        game.firstWays = ways;
        game.sawPlayerOneControl = true;
    }
    game.maxButtons = std::max(game.maxButtons, buttons);
}

std::unique_ptr<VideoInfo> readVideo(StreamReader& reader)
{
    auto video = std::make_unique<VideoInfo>();
    reader.forEachAttribute([&](const char* name, const char* value) {
        if (equals(name, "orientation")) {
            video->orientation = equals(value, "vertical") ? 1 : 2;
        } else if (equals(name, "screen")) {
            video->screen = value;
        } else if (equals(name, "width")) {
            video->width = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (equals(name, "height")) {
            video->height = static_cast<int16_t>(xml_stream::decimal(value));
        }
    });
    return video;
}

std::unique_ptr<VideoInfo> readDisplay(StreamReader& reader)
{
    auto video = std::make_unique<VideoInfo>();
    video->orientation = 2;
    reader.forEachAttribute([&](const char* name, const char* value) {
        if (equals(name, "type")) {
            video->screen = value;
        } else if (equals(name, "rotate")) {
            video->orientation = (equals(value, "90") || equals(value, "270")) ? 1 : 2;
        } else if (equals(name, "width")) {
            video->width = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (equals(name, "height")) {
            video->height = static_cast<int16_t>(xml_stream::decimal(value));
        }
    });
    return video;
}

void finishGame(GameInProgress& game, std::vector<std::unique_ptr<GameRecord>>& games,
                ListImportCounts& counts)
{
    if (game.inputOpen) game.finishInput();
    // A video element describes the screen in the older layout; display elements stand in for
    // it only when there is none.
    if (!game.record->video && game.lastDisplay) game.record->video = std::move(game.lastDisplay);
    if (!game.runnable) {
        ++counts.notRunnable;
    } else if (game.isMachine && game.bios) {
        ++counts.bios;
    } else if (game.isMachine && !game.record->video) {
        ++counts.noScreen;
    } else {
        ++counts.kept;
        games.push_back(std::move(game.record));
    }
}

void assignText(GameRecord& record, TextField field, const char* text)
{
    switch (field) {
        case TextField::Description:
            record.description = text;
            break;
        case TextField::Year:
            record.year = xml_stream::decimal(text);
            break;
        case TextField::Manufacturer:
            record.manufacturer = text;
            break;
        case TextField::None:
            break;
    }
}

}  // namespace

std::optional<std::vector<std::unique_ptr<GameRecord>>> readListXml(const std::string& path,
                                                                    ListImportCounts* countsOut,
                                                                    std::string* error)
{
    StreamReader reader(path);
    if (!reader.ok()) {
        if (error != nullptr) *error = "cannot open " + path;
        return std::nullopt;
    }

    std::vector<std::unique_ptr<GameRecord>> games;
    ListImportCounts counts;
    std::unique_ptr<GameInProgress> game;
    TextField pendingText = TextField::None;
    int rc;
    while ((rc = reader.read()) == 1) {
        const int type = reader.nodeType();
        const int depth = reader.depth();
        if (pendingText != TextField::None) {
            const TextField field = pendingText;
            pendingText = TextField::None;
            if (depth == 3 && xml_stream::isContentNode(type)) {
                const char* text = reader.value();
                if (text != nullptr) assignText(*game->record, field, text);
                continue;
            }
            // No text as first child: the field stays empty; the node itself is read below.
        }
        if (type == XML_READER_TYPE_ELEMENT) {
            const char* name = reader.localName();
            if (depth == 1) {
                game.reset();
                if (!equals(name, "game") && !equals(name, "machine")) continue;
                game = std::make_unique<GameInProgress>();
                game->isMachine = equals(name, "machine");
                readGameAttributes(reader, *game);
                if (reader.isEmptyElement()) {
                    finishGame(*game, games, counts);
                    game.reset();
                }
            } else if (game && depth == 2) {
                if (equals(name, "description") || equals(name, "year") ||
                    equals(name, "manufacturer")) {
                    if (!reader.isEmptyElement()) {
                        pendingText = equals(name, "description") ? TextField::Description
                                      : equals(name, "year")      ? TextField::Year
                                                                  : TextField::Manufacturer;
                    }
                } else if (equals(name, "input")) {
                    readInput(reader, *game);
                } else if (equals(name, "video")) {
                    game->record->video = readVideo(reader);
                } else if (equals(name, "display")) {
                    game->lastDisplay = readDisplay(reader);
                }
            } else if (game && depth == 3 && game->inputOpen && equals(name, "control")) {
                readControl(reader, *game);
            }
        } else if (type == XML_READER_TYPE_END_ELEMENT && game) {
            if (depth == 1) {
                finishGame(*game, games, counts);
                game.reset();
            } else if (depth == 2 && game->inputOpen) {
                game->finishInput();
            }
        }
    }
    if (rc != 0) {
        if (error != nullptr) {
            *error = reader.firstError().empty() ? "the file cannot be read" : reader.firstError();
        }
        return std::nullopt;
    }
    if (countsOut != nullptr) *countsOut = counts;
    return games;
}

int importListXml(const std::string& path, GameTable& table, const std::string& cachePath)
{
    ListImportCounts counts;
    std::string error;
    auto games = readListXml(path, &counts, &error);
    if (!games) {
        std::printf("error: could not parse file %s\n", path.c_str());
        if (!error.empty()) std::printf("  %s\n", error.c_str());
        std::fflush(stdout);
        return 0;
    }
    std::printf(
        "Game list: %d games kept; left out %d not runnable, %d BIOS sets, "
        "%d without a screen\n",
        counts.kept, counts.notRunnable, counts.bios, counts.noScreen);
    std::fflush(stdout);

    releaseCatalogue(table);
    table.games = std::move(*games);
    writeGameCache(table, cachePath);
    indexCatalogue(table);
    return 1;
}
