// The list is read with libxml2's SAX interface instead of as a document tree: the emulator's
// full list is hundreds of megabytes, and its tree would take gigabytes.
#include "catalogue/listxml_import.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "catalogue/game_cache.h"
#include "catalogue/xml_stream.h"

namespace {

using xml_stream::Attributes;

// The control attribute of the older list layout: one name per bit.
uint16_t controlFromName(std::string_view name)
{
    static const struct {
        std::string_view name;
        uint16_t bit;
    } kNames[] = {
        {"dial", kControlDial},           {"doublejoy8way", kControlDoubleJoy8Way},
        {"joy4way", kControlJoy4Way},     {"joy8way", kControlJoy8Way},
        {"paddle", kControlPaddle},       {"stick", kControlStick},
        {"trackball", kControlTrackball},
    };
    for (const auto& entry : kNames) {
        if (name == entry.name) return entry.bit;
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
    return controlFromName(type);
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

void readGameAttributes(const Attributes& attributes, GameInProgress& game)
{
    GameRecord& record = *game.record;
    attributes.forEach([&](std::string_view name, std::string_view value) {
        if (name == "runnable") {
            game.runnable = value != "no";
        } else if (name == "isbios") {
            game.bios = value == "yes";
        } else if (name == "name") {
            record.romname = value;
        } else if (name == "cloneof") {
            record.cloneof = std::string(value);
        } else if (name == "romof") {
            record.romof = std::string(value);
        }
    });
}

void readInput(const Attributes& attributes, GameInProgress& game)
{
    game.record->input = std::make_unique<InputInfo>();
    InputInfo& input = *game.record->input;
    game.inputOpen = true;
    game.inputHasButtons = false;
    game.inputHasControl = false;
    game.sawPlayerOneControl = false;
    game.maxButtons = 0;
    attributes.forEach([&](std::string_view name, std::string_view value) {
        if (name == "players") {
            input.players = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (name == "buttons") {
            input.buttons = static_cast<int16_t>(xml_stream::decimal(value));
            game.inputHasButtons = true;
        } else if (name == "coins") {
            input.coins = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (name == "control") {
            input.control = controlFromName(value);
            game.inputHasControl = true;
        }
    });
}

void readControl(const Attributes& attributes, GameInProgress& game)
{
    // Copies: a value with a reference in it lives only for its own visit.
    std::string type;
    std::string ways;
    bool playerOne = true;  // a control without a player belongs to player 1
    int32_t buttons = 0;
    attributes.forEach([&](std::string_view name, std::string_view value) {
        if (name == "type") {
            type = value;
        } else if (name == "ways") {
            ways = value;
        } else if (name == "player") {
            playerOne = xml_stream::decimal(value) == 1;
        } else if (name == "buttons") {
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

std::unique_ptr<VideoInfo> readVideo(const Attributes& attributes)
{
    auto video = std::make_unique<VideoInfo>();
    attributes.forEach([&](std::string_view name, std::string_view value) {
        if (name == "orientation") {
            video->orientation = value == "vertical" ? 1 : 2;
        } else if (name == "screen") {
            video->screen = value;
        } else if (name == "width") {
            video->width = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (name == "height") {
            video->height = static_cast<int16_t>(xml_stream::decimal(value));
        }
    });
    return video;
}

std::unique_ptr<VideoInfo> readDisplay(const Attributes& attributes)
{
    auto video = std::make_unique<VideoInfo>();
    video->orientation = 2;
    attributes.forEach([&](std::string_view name, std::string_view value) {
        if (name == "type") {
            video->screen = value;
        } else if (name == "rotate") {
            video->orientation = (value == "90" || value == "270") ? 1 : 2;
        } else if (name == "width") {
            video->width = static_cast<int16_t>(xml_stream::decimal(value));
        } else if (name == "height") {
            video->height = static_cast<int16_t>(xml_stream::decimal(value));
        }
    });
    return video;
}

// Turns the parser's events into records. A game is an element one level below the root, its
// fields the elements one level below it, and the text of a field is its first child node, as
// a walk of the document tree would read them.
class ListHandler : public xml_stream::SaxHandler {
public:
    bool startElement(int depth, std::string_view name, const Attributes& attributes) override
    {
        if (depth == 1) {
            game_.reset();
            if (name != "game" && name != "machine") return false;
            game_ = std::make_unique<GameInProgress>();
            game_->isMachine = name == "machine";
            readGameAttributes(attributes, *game_);
        } else if (game_ && depth == 2) {
            pendingText_ = name == "description"    ? TextField::Description
                           : name == "year"         ? TextField::Year
                           : name == "manufacturer" ? TextField::Manufacturer
                                                    : TextField::None;
            if (pendingText_ != TextField::None) return true;
            if (name == "input") {
                readInput(attributes, *game_);
            } else if (name == "video") {
                game_->record->video = readVideo(attributes);
            } else if (name == "display") {
                game_->lastDisplay = readDisplay(attributes);
            }
        } else if (game_ && depth == 3 && game_->inputOpen && name == "control") {
            readControl(attributes, *game_);
        }
        return false;
    }

    void endElement(int depth) override
    {
        if (!game_) return;
        if (depth == 1) {
            finishGame();
        } else if (depth == 2 && game_->inputOpen) {
            game_->finishInput();
        }
    }

    void text(std::string_view content) override
    {
        if (!game_) return;
        GameRecord& record = *game_->record;
        switch (pendingText_) {
            case TextField::Description:
                record.description = content;
                break;
            case TextField::Year:
                record.year = xml_stream::decimal(content);
                break;
            case TextField::Manufacturer:
                record.manufacturer = std::string(content);
                break;
            case TextField::None:
                break;
        }
    }

    std::vector<std::unique_ptr<GameRecord>> games;
    ListImportCounts counts;
    std::function<void(const ListImportCounts&)> progress;

private:
    void finishGame()
    {
        GameInProgress& game = *game_;
        if (game.inputOpen) game.finishInput();
        // A video element describes the screen in the older layout; display elements stand in
        // for it only when there is none.
        if (!game.record->video && game.lastDisplay) {
            game.record->video = std::move(game.lastDisplay);
        }
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
        game_.reset();
        if (progress) progress(counts);
    }

    std::unique_ptr<GameInProgress> game_;
    TextField pendingText_ = TextField::None;
};

}  // namespace

std::optional<std::vector<std::unique_ptr<GameRecord>>> readListXml(const std::string& path,
                                                                    ListImportCounts* countsOut,
                                                                    std::string* error,
                                                                    const ListReadOptions& options)
{
    ListHandler handler;
    handler.progress = options.progress;
    if (!xml_stream::parseFile(path, handler, error, options.growing)) return std::nullopt;
    if (countsOut != nullptr) *countsOut = handler.counts;
    return std::move(handler.games);
}

int importListXml(const std::string& path, GameTable& table, const std::string& cachePath,
                  const ListReadOptions& options, bool* cacheWritten)
{
    if (cacheWritten != nullptr) *cacheWritten = false;
    ListImportCounts counts;
    std::string error;
    auto games = readListXml(path, &counts, &error, options);
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
    const bool written = writeGameCache(table, cachePath);
    if (cacheWritten != nullptr) *cacheWritten = written;
    indexCatalogue(table);
    return 1;
}
