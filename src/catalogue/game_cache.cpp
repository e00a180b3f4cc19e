#include "catalogue/game_cache.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <libxml/xmlwriter.h>

#include "catalogue/xml_stream.h"
#include "platform/files.h"

namespace {

using xml_stream::StreamReader;

struct BufferDeleter {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};
struct WriterDeleter {
    void operator()(xmlTextWriter* writer) const { xmlFreeTextWriter(writer); }
};

const xmlChar* x(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// XML 1.0 cannot hold control characters other than tab, line feed and carriage return; one in
// a text would make the whole cache unreadable, so it is left out. Texts read from the
// emulator's list never hold one.
std::string xmlSafe(const std::string& text)
{
    std::string safe;
    safe.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
        safe.push_back(c);
    }
    return safe;
}

// Each step reports its own failure; the first one ends the writing.
class CacheWriter {
public:
    explicit CacheWriter(xmlTextWriter* writer) : writer_(writer) {}

    bool check(int rc, const char* failure)
    {
        if (rc < 0) std::printf("%s\n", failure);
        return rc >= 0;
    }
    bool start(const char* element, const char* failure)
    {
        return check(xmlTextWriterStartElement(writer_, x(element)), failure);
    }
    bool end()
    {
        return check(xmlTextWriterEndElement(writer_), "Error at xmlTextWriterEndElement");
    }
    bool attribute(const char* name, const std::string& value, const char* failure)
    {
        return check(xmlTextWriterWriteAttribute(writer_, x(name), x(xmlSafe(value).c_str())),
                     failure);
    }
    bool number(const char* name, int value, const char* failure)
    {
        return attribute(name, std::to_string(value), failure);
    }

    bool game(const GameRecord& record)
    {
        if (!start("game", "Error at xmlTextWriterStartElement game")) return false;
        if (!attribute("romname", record.romname, "Error at xmlTextWriterWriteAttribute romname") ||
            !attribute("description", record.description,
                       "Error at xmlTextWriterWriteAttribute description") ||
            !number("year", record.year, "Error at xmlTextWriterWriteAttribute year")) {
            return false;
        }
        // Left out when unknown, so that it reads back as unknown.
        if (record.manufacturer &&
            !attribute("manufacturer", *record.manufacturer,
                       "Error at xmlTextWriterWriteAttribute manufacturer")) {
            return false;
        }
        if (record.cloneof &&
            !attribute("cloneof", *record.cloneof, "Error at xmlTextWriterWriteAttribute cloneof"))
            return false;
        if (record.romof &&
            !attribute("romof", *record.romof, "Error at xmlTextWriterWriteAttribute romof"))
            return false;
        if (record.video) {
            const VideoInfo& v = *record.video;
            if (!start("video", "Error at xmlTextWriterStartElement video") ||
                !attribute("screen", v.screen, "Error at xmlTextWriterWriteAttribute screen") ||
                !number("orientation", v.orientation,
                        "Error at xmlTextWriterWriteAttribute orientation") ||
                !number("xres", v.width, "Error at xmlTextWriterWriteAttribute xres") ||
                !number("yres", v.height, "Error at xmlTextWriterWriteAttribute yres") || !end()) {
                return false;
            }
        }
        if (record.input) {
            const InputInfo& i = *record.input;
            if (!start("input", "Error at xmlTextWriterStartElement input") ||
                !number("players", i.players, "Error at xmlTextWriterWriteAttribute players") ||
                !number("buttons", i.buttons, "Error at xmlTextWriterWriteAttribute buttons") ||
                !number("coins", i.coins, "Error at xmlTextWriterWriteAttribute coins") ||
                !number("control", i.control, "Error at xmlTextWriterWriteAttribute control") ||
                !end()) {
                return false;
            }
        }
        return end();
    }

private:
    xmlTextWriter* writer_;
};

// The cache document, built in memory so that the file is only touched once it is complete.
std::optional<std::string> renderCache(const GameTable& table)
{
    std::unique_ptr<xmlBuffer, BufferDeleter> buffer(xmlBufferCreate());
    if (!buffer) {
        std::printf("Error creating the xml writer\n");
        return std::nullopt;
    }
    std::unique_ptr<xmlTextWriter, WriterDeleter> writer(xmlNewTextWriterMemory(buffer.get(), 0));
    if (!writer) {
        std::printf("Error creating the xml writer\n");
        return std::nullopt;
    }
    CacheWriter out(writer.get());
    if (!out.check(xmlTextWriterStartDocument(writer.get(), nullptr, "ISO-8859-1", nullptr),
                   "Error at xmlTextWriterStartDocument") ||
        !out.start("games", "Error at xmlTextWriterStartElement")) {
        return std::nullopt;
    }
    for (const auto& record : table.games) {
        if (!out.game(*record)) return std::nullopt;
    }
    if (!out.check(xmlTextWriterEndDocument(writer.get()), "Error at xmlTextWriterEndDocument"))
        return std::nullopt;
    // Freeing the writer flushes the encoder into the buffer.
    writer.reset();
    const xmlChar* content = xmlBufferContent(buffer.get());
    return std::string(reinterpret_cast<const char*>(content),
                       static_cast<size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

bool writeGameCache(const GameTable& table, const std::string& path)
{
    auto document = renderCache(table);
    if (!document) {
        std::fflush(stdout);
        return false;
    }
    std::string error;
    if (!replaceFileContents(path, *document, &error)) {
        std::printf("Error writing the game cache: %s\n", error.c_str());
        std::fflush(stdout);
        return false;
    }
    return true;
}

int readGameCache(const std::string& path, GameTable& table)
{
    StreamReader reader(path);
    std::vector<std::unique_ptr<GameRecord>> games;
    int rc = -1;
    if (reader.ok()) {
        GameRecord* record = nullptr;
        while ((rc = reader.read()) == 1) {
            if (reader.nodeType() != XML_READER_TYPE_ELEMENT) continue;
            const int depth = reader.depth();
            const char* name = reader.localName();
            if (depth == 1) {
                record = nullptr;
                if (std::strcmp(name, "game") != 0) continue;
                games.push_back(std::make_unique<GameRecord>());
                record = games.back().get();
                reader.forEachAttribute([&](const char* key, const char* value) {
                    if (std::strcmp(key, "romname") == 0) {
                        record->romname = value;
                    } else if (std::strcmp(key, "description") == 0) {
                        record->description = value;
                    } else if (std::strcmp(key, "manufacturer") == 0) {
                        record->manufacturer = value;
                    } else if (std::strcmp(key, "cloneof") == 0) {
                        record->cloneof = value;
                    } else if (std::strcmp(key, "romof") == 0) {
                        record->romof = value;
                    } else if (std::strcmp(key, "year") == 0) {
                        record->year = xml_stream::decimal(value);
                    }
                });
            } else if (depth == 2 && record != nullptr && std::strcmp(name, "input") == 0) {
                record->input = std::make_unique<InputInfo>();
                InputInfo& input = *record->input;
                reader.forEachAttribute([&](const char* key, const char* value) {
                    const int n = xml_stream::decimal(value);
                    if (std::strcmp(key, "players") == 0) input.players = static_cast<int16_t>(n);
                    if (std::strcmp(key, "buttons") == 0) input.buttons = static_cast<int16_t>(n);
                    if (std::strcmp(key, "coins") == 0) input.coins = static_cast<int16_t>(n);
                    if (std::strcmp(key, "control") == 0) input.control = static_cast<uint16_t>(n);
                });
            } else if (depth == 2 && record != nullptr && std::strcmp(name, "video") == 0) {
                record->video = std::make_unique<VideoInfo>();
                VideoInfo& video = *record->video;
                reader.forEachAttribute([&](const char* key, const char* value) {
                    if (std::strcmp(key, "screen") == 0) {
                        video.screen = value;
                        return;
                    }
                    const int n = xml_stream::decimal(value);
                    if (std::strcmp(key, "orientation") == 0)
                        video.orientation = static_cast<uint16_t>(n);
                    if (std::strcmp(key, "xres") == 0) video.width = static_cast<int16_t>(n);
                    if (std::strcmp(key, "yres") == 0) video.height = static_cast<int16_t>(n);
                });
            }
        }
    }
    if (rc != 0) {
        std::printf("error: could not parse file %s\n", path.c_str());
        if (!reader.firstError().empty()) std::printf("  %s\n", reader.firstError().c_str());
        std::fflush(stdout);
        return 0;
    }
    releaseCatalogue(table);
    table.games = std::move(games);
    indexCatalogue(table);
    return 1;
}
