#include "catalogue/game_cache.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <libxml/xmlwriter.h>

#include "catalogue/game_cache_layout.h"
#include "catalogue/xml_stream.h"
#include "platform/files.h"

namespace {

struct BufferDeleter {
    void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
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
    // Whatever stands there that is not a file (a FIFO, a device, a folder) is not the cache's.
    std::error_code statError;
    const auto status = std::filesystem::status(path, statError);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        std::printf("Error writing the game cache: %s is not a regular file\n", path.c_str());
        std::fflush(stdout);
        return false;
    }
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

namespace {

// Reads the cache's records as the parser meets them; unknown elements and attributes are
// skipped, so a hand-edited file keeps whatever it still holds.
class CacheHandler : public xml_stream::SaxHandler {
public:
    bool startElement(int depth, std::string_view name,
                      const xml_stream::Attributes& attributes) override
    {
        if (depth == 1) {
            record_ = nullptr;
            if (name != "game") return false;
            games.push_back(std::make_unique<GameRecord>());
            record_ = games.back().get();
            readGame(attributes, *record_);
        } else if (depth == 2 && record_ != nullptr && name == "input") {
            record_->input = std::make_unique<InputInfo>();
            readInput(attributes, *record_->input);
        } else if (depth == 2 && record_ != nullptr && name == "video") {
            record_->video = std::make_unique<VideoInfo>();
            readVideo(attributes, *record_->video);
        }
        return false;
    }
    void endElement(int) override {}
    void text(std::string_view) override {}

    std::vector<std::unique_ptr<GameRecord>> games;

private:
    static void readGame(const xml_stream::Attributes& attributes, GameRecord& record)
    {
        attributes.forEach([&](std::string_view key, std::string_view value) {
            if (key == "romname") {
                record.romname = value;
            } else if (key == "description") {
                record.description = value;
            } else if (key == "manufacturer") {
                record.manufacturer = std::string(value);
            } else if (key == "cloneof") {
                record.cloneof = std::string(value);
            } else if (key == "romof") {
                record.romof = std::string(value);
            } else if (key == "year") {
                record.year = xml_stream::decimal(value);
            }
        });
    }
    static void readInput(const xml_stream::Attributes& attributes, InputInfo& input)
    {
        attributes.forEach([&](std::string_view key, std::string_view value) {
            const int n = xml_stream::decimal(value);
            if (key == "players") input.players = static_cast<int16_t>(n);
            if (key == "buttons") input.buttons = static_cast<int16_t>(n);
            if (key == "coins") input.coins = static_cast<int16_t>(n);
            if (key == "control") input.control = static_cast<uint16_t>(n);
        });
    }
    static void readVideo(const xml_stream::Attributes& attributes, VideoInfo& video)
    {
        attributes.forEach([&](std::string_view key, std::string_view value) {
            if (key == "screen") {
                video.screen = value;
                return;
            }
            const int n = xml_stream::decimal(value);
            if (key == "orientation") video.orientation = static_cast<uint16_t>(n);
            if (key == "xres") video.width = static_cast<int16_t>(n);
            if (key == "yres") video.height = static_cast<int16_t>(n);
        });
    }

    GameRecord* record_ = nullptr;
};

// The cache's bytes in pieces of this size: the quick reader then holds a few pieces, never the
// whole file.
constexpr size_t kPieceSize = 64 * 1024;

// Reads the regular file at `path` with the quick reader of the written layout.
bool readInWrittenLayout(const std::string& path, std::vector<std::unique_ptr<GameRecord>>& games)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    bool failed = false;
    const CacheBytes readMore = [&](std::string& buffer) {
        const size_t had = buffer.size();
        buffer.resize(had + kPieceSize);
        const size_t got = std::fread(buffer.data() + had, 1, kPieceSize, file.get());
        buffer.resize(had + got);
        failed = failed || std::ferror(file.get()) != 0;
        return got > 0;
    };
    return readWrittenCacheLayout(readMore, games) && !failed;
}

}  // namespace

int readGameCache(const std::string& path, GameTable& table)
{
    // The cache as this launcher writes it is read straight from its bytes; any other file goes
    // through the general reader, which alone decides whether it is refused.
    std::vector<std::unique_ptr<GameRecord>> games;
    if (!readInWrittenLayout(path, games)) {
        games.clear();
        CacheHandler handler;
        std::string error;
        if (!xml_stream::parseFile(path, handler, &error)) {
            std::printf("error: could not parse file %s\n", path.c_str());
            if (!error.empty()) std::printf("  %s\n", error.c_str());
            std::fflush(stdout);
            return 0;
        }
        games = std::move(handler.games);
    }
    releaseCatalogue(table);
    table.games = std::move(games);
    indexCatalogue(table);
    return 1;
}
