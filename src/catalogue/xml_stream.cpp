#include "catalogue/xml_stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <libxml/SAX2.h>
#include <libxml/xmlerror.h>

namespace xml_stream {

namespace {

constexpr size_t kChunkBytes = 256 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
struct ContextDeleter {
    void operator()(xmlParserCtxt* context) const
    {
        // The default document handlers keep the DTD in a document of its own.
        if (context->myDoc != nullptr) xmlFreeDoc(context->myDoc);
        context->myDoc = nullptr;
        xmlFreeParserCtxt(context);
    }
};

// Follows the parser's events and hands the handler the element events and, when it asked for
// one, the text of an element's first child node. The parser may split one text node into
// several character events; they are joined, as a tree builder joins them.
class Driver {
public:
    explicit Driver(SaxHandler& handler) : handler_(handler) {}

    static Driver& of(void* context)
    {
        return *static_cast<Driver*>(static_cast<xmlParserCtxt*>(context)->_private);
    }

    static void onStart(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*,
                        int, const xmlChar**, int attributeCount, int defaultedCount,
                        const xmlChar** attributes)
    {
        Driver& d = of(context);
        d.otherNode();
        const Attributes given(attributes, attributeCount - defaultedCount);
        d.wantFirstChild_ = d.handler_.startElement(
            d.depth_, std::string_view(reinterpret_cast<const char*>(localName)), given);
        ++d.depth_;
    }

    static void onEnd(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
    {
        Driver& d = of(context);
        d.otherNode();
        --d.depth_;
        d.handler_.endElement(d.depth_);
        if (d.depth_ == 0) d.rootClosed_ = true;
    }

    static void onCharacters(void* context, const xmlChar* text, int length)
    {
        of(context).textPiece(Collecting::Text, text, length);
    }

    static void onCdata(void* context, const xmlChar* text, int length)
    {
        of(context).textPiece(Collecting::Cdata, text, length);
    }

    static void onComment(void* context, const xmlChar* text) { of(context).wholeNode(text); }

    static void onProcessingInstruction(void* context, const xmlChar*, const xmlChar* data)
    {
        of(context).wholeNode(data);
    }

    static void onReference(void* context, const xmlChar*) { of(context).otherNode(); }

    static void onError(void* context, xmlError* error)
    {
        // The parser reports an undecodable start of the document while it is being created,
        // before the driver is attached; the failure is seen through the parser's state then.
        auto* parser = static_cast<xmlParserCtxt*>(context);
        if (parser == nullptr || parser->_private == nullptr) return;
        Driver& d = of(context);
        if (error == nullptr || error->level < XML_ERR_ERROR || !d.firstError_.empty()) return;
        std::string text = error->message != nullptr ? error->message : "not well formed";
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        if (error->line > 0) text = "line " + std::to_string(error->line) + ": " + text;
        d.firstError_ = text;
    }

    void finish() { otherNode(); }
    const std::string& firstError() const { return firstError_; }
    bool rootClosed() const { return rootClosed_; }

private:
    enum class Collecting { None, Text, Cdata };

    void textPiece(Collecting kind, const xmlChar* text, int length)
    {
        if (collecting_ != kind) {
            const bool wanted = wantFirstChild_;
            otherNode();
            if (!wanted) return;
            collecting_ = kind;
            buffer_.clear();
        }
        buffer_.append(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    }

    void wholeNode(const xmlChar* text)
    {
        const bool wanted = wantFirstChild_;
        otherNode();
        if (!wanted) return;
        handler_.text(text != nullptr ? reinterpret_cast<const char*>(text) : "");
    }

    // Any node ends the text being joined; a first child that is not text gives no text.
    void otherNode()
    {
        if (collecting_ != Collecting::None) {
            collecting_ = Collecting::None;
            handler_.text(buffer_);
        }
        wantFirstChild_ = false;
    }

    SaxHandler& handler_;
    int depth_ = 0;
    bool rootClosed_ = false;
    bool wantFirstChild_ = false;
    Collecting collecting_ = Collecting::None;
    std::string buffer_;
    std::string firstError_;
};

// The default handlers keep their work on the DTD (entity declarations, which entity references
// need); the element and text events come to the driver instead of a tree builder.
xmlSAXHandler makeHandler()
{
    xmlSAXHandler sax = saxHandlerWithDefaults();
    sax.startElementNs = &Driver::onStart;
    sax.endElementNs = &Driver::onEnd;
    sax.characters = &Driver::onCharacters;
    sax.ignorableWhitespace = &Driver::onCharacters;
    sax.cdataBlock = &Driver::onCdata;
    sax.comment = &Driver::onComment;
    sax.processingInstruction = &Driver::onProcessingInstruction;
    sax.reference = &Driver::onReference;
    sax.serror = &Driver::onError;
    return sax;
}

}  // namespace

xmlSAXHandler saxHandlerWithDefaults()
{
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    xmlSAXVersion(&sax, 2);
    sax.startElement = nullptr;
    sax.endElement = nullptr;
    sax.warning = nullptr;
    sax.error = nullptr;
    sax.fatalError = nullptr;
    return sax;
}

std::string Attributes::decodeAmpersands(std::string_view value)
{
    static constexpr std::string_view kAmpersand = "&#38;";
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size();) {
        if (value.compare(i, kAmpersand.size(), kAmpersand) == 0) {
            out.push_back('&');
            i += kAmpersand.size();
        } else {
            out.push_back(value[i++]);
        }
    }
    return out;
}

// The parser stopped for good: a fatal error, or a halt (an encoding error halts it without
// marking the document as not well formed; only the result of the call tells).
bool parserStopped(const xmlParserCtxt& context, int result)
{
    return context.wellFormed == 0 ||
           (result != XML_ERR_OK && (context.disableSAX != 0 || context.instate == XML_PARSER_EOF));
}

PushOutcome pushParseFile(const std::string& path, xmlSAXHandler& sax, void* user,
                          const GrowingFile* growing)
{
    // Opening a FIFO or a device would block or never end.
    std::error_code statError;
    const auto status = std::filesystem::status(path, statError);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return PushOutcome::NotRegularFile;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return PushOutcome::CannotOpen;

    // Created without its first bytes, so that `user` is attached before the parser can report
    // anything about them.
    std::unique_ptr<xmlParserCtxt, ContextDeleter> context(
        xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, path.c_str()));
    if (!context) return PushOutcome::NoParser;
    xmlCtxtUseOptions(context.get(), XML_PARSE_NONET);
    context->_private = user;

    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        // Asked before the read, so that bytes written just before the writer ended are read;
        // the end-of-file mark is sticky and would hide them.
        const bool writerDone = growing == nullptr || growing->writerFinished();
        if (growing != nullptr) std::clearerr(file.get());
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (got > 0) {
            const int result = xmlParseChunk(context.get(), chunk.data(), static_cast<int>(got), 0);
            if (parserStopped(*context, result)) return PushOutcome::Stopped;
            continue;
        }
        if (std::ferror(file.get()) != 0) return PushOutcome::ReadFailed;
        if (writerDone) break;
        growing->waitForMore();
    }
    return parserStopped(*context, xmlParseChunk(context.get(), nullptr, 0, 1))
               ? PushOutcome::Stopped
               : PushOutcome::Parsed;
}

bool parseFile(const std::string& path, SaxHandler& handler, std::string* error,
               const GrowingFile* growing)
{
    const auto fail = [error](const std::string& reason) {
        if (error != nullptr) *error = reason;
        return false;
    };
    xmlSAXHandler sax = makeHandler();
    Driver driver(handler);
    const PushOutcome outcome = pushParseFile(path, sax, &driver, growing);
    driver.finish();
    switch (outcome) {
        case PushOutcome::NotRegularFile:
            return fail(path + " is not a regular file");
        case PushOutcome::CannotOpen:
            return fail("cannot open " + path);
        case PushOutcome::NoParser:
            return fail("cannot create the XML parser");
        case PushOutcome::ReadFailed:
            return fail("the file cannot be read");
        case PushOutcome::Stopped:
        case PushOutcome::Parsed:
            break;
    }
    if (outcome == PushOutcome::Stopped || !driver.rootClosed()) {
        return fail(driver.firstError().empty()
                        ? "the document is not well formed, or not readable in its encoding"
                        : driver.firstError());
    }
    return true;
}

int32_t decimal(std::string_view text)
{
    // atoi is strtol cut to int; strtol saturates where atoi's behaviour would be undefined.
    const std::string terminated(text);
    return static_cast<int32_t>(std::strtol(terminated.c_str(), nullptr, 10));
}

}  // namespace xml_stream
