// Helpers shared by the two XML readers of the catalogue (the emulator's list and the game
// cache): an owned streaming reader that remembers the first parse error, attribute walking and
// the atoi-style number reading both formats use.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <libxml/xmlreader.h>

namespace xml_stream {

struct ReaderDeleter {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};
using ReaderPtr = std::unique_ptr<xmlTextReader, ReaderDeleter>;

// A streaming reader over one file. The reader holds only the current node and its ancestors,
// so memory stays bounded however long the document is.
class StreamReader {
public:
    // Opens `path`; ok() tells whether that worked.
    explicit StreamReader(const std::string& path);
    StreamReader(const StreamReader&) = delete;
    StreamReader& operator=(const StreamReader&) = delete;

    bool ok() const { return reader_ != nullptr; }
    xmlTextReader* get() const { return reader_.get(); }

    // Advances to the next node: 1 on success, 0 at the end of the document, -1 on an error
    // (the document is not well formed, or the file cannot be read).
    int read();

    // The first error the parser reported, with its line; empty when none was reported.
    const std::string& firstError() const { return firstError_; }

    const char* localName() const;
    int depth() const { return xmlTextReaderDepth(reader_.get()); }
    int nodeType() const { return xmlTextReaderNodeType(reader_.get()); }
    bool isEmptyElement() const { return xmlTextReaderIsEmptyElement(reader_.get()) == 1; }
    // The value of a text-like node (text, CDATA, white space, comment, processing instruction).
    const char* value() const;

    // Calls `visit` (name, value) for every attribute of the current element, in document order,
    // and moves back to the element.
    void forEachAttribute(const std::function<void(const char*, const char*)>& visit);

private:
    static void onError(void* self, const char* message, xmlParserSeverities severity,
                        xmlTextReaderLocatorPtr locator);

    ReaderPtr reader_;
    std::string firstError_;
};

// Reads a decimal number the way the C library's atoi does: white space skipped, an optional
// sign, digits up to the first non-digit; no digits give 0.
int32_t decimal(const char* text);

// True for the node types whose value is text that a tree walk sees as a node's content.
bool isContentNode(int nodeType);

}  // namespace xml_stream
