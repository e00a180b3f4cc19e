// Helpers shared by the XML readers of the catalogue (the emulator's list, the game cache and
// the history file): a SAX driver that feeds a file to libxml2's push parser in chunks, the
// attribute view it hands out and the atoi-style number reading the list and cache use.
//
// SAX keeps no tree and no per-node objects: memory stays bounded by the chunk size however long
// the document is, and the emulator's full list (hundreds of megabytes) is read in about the
// time the parser needs to tokenise it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <libxml/parser.h>

namespace xml_stream {

// The attributes given in an element's start tag (not those a DTD would add by default), in
// document order, with entity and character references resolved. Valid during the call only.
class Attributes {
public:
    Attributes(const xmlChar** raw, int count) : raw_(raw), count_(count) {}

    // Calls visit(name, value) for each attribute; both views end with the call.
    template <typename Visit>
    void forEach(Visit&& visit) const
    {
        for (int i = 0; i < count_; ++i) {
            const xmlChar** a = raw_ + 5 * i;
            const auto* begin = reinterpret_cast<const char*>(a[3]);
            const auto* end = reinterpret_cast<const char*>(a[4]);
            std::string_view value(begin, static_cast<size_t>(end - begin));
            std::string decoded;
            if (value.find('&') != std::string_view::npos) {
                decoded = decodeAmpersands(value);
                value = decoded;
            }
            visit(std::string_view(reinterpret_cast<const char*>(a[0])), value);
        }
    }

private:
    // Without entity substitution the parser hands "&" on as "&#38;".
    static std::string decodeAmpersands(std::string_view value);

    const xmlChar** raw_;
    int count_;
};

// What a reader does with the elements of a document. Depth 0 is the root element.
class SaxHandler {
public:
    virtual ~SaxHandler() = default;

    // An element opens. Returning true asks for the text of its first child node: text()
    // follows when that node is text, CDATA, a comment or a processing instruction (the node a
    // tree walk would read the element's text from), and nothing when it is anything else.
    virtual bool startElement(int depth, std::string_view name, const Attributes& attributes) = 0;
    virtual void endElement(int depth) = 0;
    virtual void text(std::string_view content) = 0;
};

// A file that another process is still writing: reading waits at its end for more bytes until
// the writer has finished.
struct GrowingFile {
    std::function<bool()> writerFinished;  // true once nothing more will be written
    std::function<void()> waitForMore;     // blocks briefly before the end is read again
};

// Parses the file at `path` with `handler`. False when the file cannot be opened or read, is not
// a regular file, or fails to parse at any byte (cut off, not XML, an encoding error, no root
// element); `error` then holds the first error the parser reported, with its line. The handler
// may have seen part of the document by then: a caller keeps nothing of a failed parse.
// With `growing`, the file is read while it is being written.
bool parseFile(const std::string& path, SaxHandler& handler, std::string* error,
               const GrowingFile* growing = nullptr);

// libxml2's SAX2 default handlers (they keep their work on the DTD, which entity references
// need) with the element events and the old error callbacks taken out: a reader sets its own
// startElementNs, endElementNs, text callbacks and serror.
xmlSAXHandler saxHandlerWithDefaults();

// The chunked push-parse loop behind parseFile, for a reader with SAX callbacks of its own:
// feeds the file at `path` to libxml2's push parser with `sax`, with `user` as the parser
// context's `_private` (set before any byte is parsed, so every callback finds it; an error
// callback must still allow for a null `_private`, as the parser reports some faults while it
// is created). Stopped covers a fatal error and a halt on an encoding error; it is never taken
// for the end of the document.
enum class PushOutcome { Parsed, NotRegularFile, CannotOpen, NoParser, ReadFailed, Stopped };
PushOutcome pushParseFile(const std::string& path, xmlSAXHandler& sax, void* user,
                          const GrowingFile* growing = nullptr);

// Reads a decimal number the way the C library's atoi does: white space skipped, an optional
// sign, digits up to the first non-digit; no digits give 0.
int32_t decimal(std::string_view text);

}  // namespace xml_stream
