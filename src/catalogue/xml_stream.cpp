#include "catalogue/xml_stream.h"

#include <cstdlib>

namespace xml_stream {

StreamReader::StreamReader(const std::string& path)
    : reader_(xmlReaderForFile(path.c_str(), nullptr, 0))
{
    if (reader_) xmlTextReaderSetErrorHandler(reader_.get(), &StreamReader::onError, this);
}

void StreamReader::onError(void* self, const char* message, xmlParserSeverities severity,
                           xmlTextReaderLocatorPtr locator)
{
    auto* reader = static_cast<StreamReader*>(self);
    if (severity != XML_PARSER_SEVERITY_ERROR && severity != XML_PARSER_SEVERITY_VALIDITY_ERROR)
        return;
    if (!reader->firstError_.empty() || message == nullptr) return;
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    const int line = locator != nullptr ? xmlTextReaderLocatorLineNumber(locator) : -1;
    if (line > 0) text = "line " + std::to_string(line) + ": " + text;
    reader->firstError_ = text;
}

int StreamReader::read()
{
    const int result = xmlTextReaderRead(reader_.get());
    if (result == 0 && !firstError_.empty()) return -1;
    return result;
}

const char* StreamReader::localName() const
{
    const xmlChar* name = xmlTextReaderConstLocalName(reader_.get());
    return name != nullptr ? reinterpret_cast<const char*>(name) : "";
}

const char* StreamReader::value() const
{
    return reinterpret_cast<const char*>(xmlTextReaderConstValue(reader_.get()));
}

void StreamReader::forEachAttribute(const std::function<void(const char*, const char*)>& visit)
{
    xmlTextReader* r = reader_.get();
    while (xmlTextReaderMoveToNextAttribute(r) == 1) {
        const xmlChar* name = xmlTextReaderConstLocalName(r);
        const xmlChar* value = xmlTextReaderConstValue(r);
        if (name == nullptr || value == nullptr) continue;
        visit(reinterpret_cast<const char*>(name), reinterpret_cast<const char*>(value));
    }
    xmlTextReaderMoveToElement(r);
}

int32_t decimal(const char* text)
{
    if (text == nullptr) return 0;
    // atoi is strtol cut to int; strtol saturates where atoi's behaviour would be undefined.
    return static_cast<int32_t>(std::strtol(text, nullptr, 10));
}

bool isContentNode(int nodeType)
{
    switch (nodeType) {
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        case XML_READER_TYPE_COMMENT:
        case XML_READER_TYPE_PROCESSING_INSTRUCTION:
            return true;
        default:
            return false;
    }
}

}  // namespace xml_stream
