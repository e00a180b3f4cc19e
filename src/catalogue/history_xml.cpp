// The file is fed to libxml2's push parser in chunks (the loop the list and cache readers use)
// and read through SAX events: no tree is built and a text arrives in small pieces, so a file
// of any size, or an entry with an absurdly long text, is read in bounded memory. (A text
// reader would hold each text node whole.)
#include "catalogue/history_xml.h"

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include "catalogue/xml_stream.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string_view view(const xmlChar* text)
{
    return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text))
                           : std::string_view();
}

// The text as the window's lines: split at line feeds, a carriage return before one dropped,
// and the blank lines that the layout puts around the text left out.
std::vector<std::string> textLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    auto blank = [](const std::string& line) {
        return line.find_first_not_of(" \t\r\v\f") == std::string::npos;
    };
    while (!lines.empty() && blank(lines.back())) lines.pop_back();
    std::size_t first = 0;
    while (first < lines.size() && blank(lines[first])) ++first;
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
    return lines;
}

// Follows the parser's events: inside an <entry>, the names of its <system> elements and the
// characters of its <text>; at the entry's end, the lines go to each named game.
class HistoryReader {
public:
    explicit HistoryReader(GameTable& table) : table_(table) {}

    static HistoryReader& of(void* context)
    {
        return *static_cast<HistoryReader*>(static_cast<xmlParserCtxt*>(context)->_private);
    }

    static void onStart(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*,
                        int, const xmlChar**, int attributeCount, int, const xmlChar** attributes)
    {
        HistoryReader& r = of(context);
        const std::string_view name = view(localName);
        if (name == "entry" && !r.inEntry_) {
            r.inEntry_ = true;
            r.systems_.clear();
            r.text_.clear();
            r.cut_ = false;
        } else if (r.inEntry_ && name == "system") {
            for (int i = 0; i < attributeCount; ++i) {
                const xmlChar** a = attributes + 5 * i;
                if (view(a[0]) != "name") continue;
                r.systems_.emplace_back(reinterpret_cast<const char*>(a[3]),
                                        static_cast<std::size_t>(a[4] - a[3]));
            }
        } else if (r.inEntry_ && name == "text") {
            ++r.inText_;
        }
    }

    static void onEnd(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*)
    {
        HistoryReader& r = of(context);
        const std::string_view name = view(localName);
        if (r.inEntry_ && name == "text" && r.inText_ > 0) {
            --r.inText_;
        } else if (r.inEntry_ && name == "entry" && r.inText_ == 0) {
            r.inEntry_ = false;
            r.attach();
        }
    }

    static void onCharacters(void* context, const xmlChar* text, int length)
    {
        HistoryReader& r = of(context);
        if (r.inText_ > 0 && length > 0) {
            r.append(std::string_view(reinterpret_cast<const char*>(text),
                                      static_cast<std::size_t>(length)));
        }
    }

    static void onError(void* context, xmlError* error)
    {
        // Some faults are reported while the parser is created, before the reader is attached.
        auto* parser = static_cast<xmlParserCtxt*>(context);
        if (parser == nullptr || parser->_private == nullptr) return;
        HistoryReader& r = of(context);
        if (error == nullptr || error->level < XML_ERR_ERROR || !r.firstError_.empty()) return;
        std::string text = error->message != nullptr ? error->message : "not well formed";
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        if (error->line > 0) text = "line " + std::to_string(error->line) + ": " + text;
        r.firstError_ = text;
    }

    const std::string& firstError() const { return firstError_; }
    bool sawEntry() const { return sawEntry_; }

private:
    void append(std::string_view piece)
    {
        if (cut_) return;
        if (text_.size() + piece.size() > kMaxHistoryTextBytes) {
            std::size_t keep = kMaxHistoryTextBytes - text_.size();
            // Cut before a continuation byte's lead, never inside a UTF-8 character.
            while (keep > 0 && (static_cast<unsigned char>(piece[keep]) & 0xC0) == 0x80) --keep;
            piece = piece.substr(0, keep);
            cut_ = true;
        }
        text_.append(piece);
    }

    void attach()
    {
        sawEntry_ = true;
        if (systems_.empty()) return;
        if (cut_) {
            std::fprintf(stderr, "The history text of [%s] is longer than %zu bytes; it is cut\n",
                         systems_.front().c_str(), kMaxHistoryTextBytes);
        }
        std::vector<std::string> lines = textLines(text_);
        for (const std::string& system : systems_) {
            GameRecord* game = table_.index ? table_.index->lookup(&system) : nullptr;
            if (game != nullptr) game->infoLines = lines;
        }
    }

    GameTable& table_;
    bool inEntry_ = false;
    bool sawEntry_ = false;
    int inText_ = 0;
    bool cut_ = false;
    std::vector<std::string> systems_;
    std::string text_;
    std::string firstError_;
};

// The default handlers keep their work on the DTD; elements and text come to the reader.
// Entity references are not expanded (no entity declared in a DTD reaches the text), which
// also keeps a hostile file from multiplying its size.
xmlSAXHandler makeHandler()
{
    xmlSAXHandler sax = xml_stream::saxHandlerWithDefaults();
    sax.startElementNs = &HistoryReader::onStart;
    sax.endElementNs = &HistoryReader::onEnd;
    sax.characters = &HistoryReader::onCharacters;
    sax.ignorableWhitespace = &HistoryReader::onCharacters;
    sax.cdataBlock = &HistoryReader::onCharacters;
    sax.comment = nullptr;
    sax.processingInstruction = nullptr;
    sax.reference = nullptr;
    sax.serror = &HistoryReader::onError;
    return sax;
}

int fail(const std::string& path, const std::string& reason)
{
    std::fprintf(stderr, "The history file [%s] cannot be read: %s\n", path.c_str(),
                 reason.c_str());
    return 0;
}

}  // namespace

bool looksLikeXmlFile(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    char head[256];
    const std::size_t got = std::fread(head, 1, sizeof head, file.get());
    std::string_view text(head, got);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '<';
}

int loadHistoryXml(const std::string& path, GameTable& table)
{
    HistoryReader reader(table);
    xmlSAXHandler sax = makeHandler();
    switch (xml_stream::pushParseFile(path, sax, &reader)) {
        case xml_stream::PushOutcome::NotRegularFile:
            return fail(path, "it is not a regular file");
        case xml_stream::PushOutcome::CannotOpen:
            return fail(path, "it cannot be opened");
        case xml_stream::PushOutcome::NoParser:
            return fail(path, "the XML parser cannot be set up");
        case xml_stream::PushOutcome::ReadFailed:
            return fail(path, "a read error");
        case xml_stream::PushOutcome::Stopped:
            return fail(path, reader.firstError().empty() ? "it is not well-formed XML"
                                                          : reader.firstError());
        case xml_stream::PushOutcome::Parsed:
            break;
    }
    if (!reader.sawEntry()) {
        std::fprintf(stderr, "The history file [%s] holds no <entry>; no game gets a text\n",
                     path.c_str());
    }
    return 1;
}
