// The emulator's XML list, in either layout ("machine" or "game" elements). The reader reads its
// file in fixed chunks; when the low three bits of the first input byte are 001 the chunk boundary
// moves into the document, to a place given by the next two bytes, so that every token can be cut
// in two (rarely, since the padding makes such runs slow).
#include <string>

#include "catalogue/listxml_import.h"
#include "fuzz_scratch.h"

constexpr size_t kReaderChunkBytes = 256 * 1024;  // the list reader's read size

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::ScratchFile scratch(".xml");
    if (size < 3) return 0;
    const std::string document(fuzz::asText(data + 3, size - 3));
    std::string bytes = document;
    if ((data[0] & 7) == 1 && document.size() < kReaderChunkBytes / 2) {
        // A comment after the XML declaration (or at the start) fills the first chunk up to the
        // chosen place; the document's own bytes are not changed.
        const size_t end =
            document.rfind("<?xml", 0) == 0 ? document.find("?>") : std::string::npos;
        const size_t head = end == std::string::npos ? 0 : end + 2;
        const size_t split =
            head + ((size_t{data[1]} << 8 | data[2]) % (document.size() - head + 1));
        const size_t padding = kReaderChunkBytes - split;
        bytes = document.substr(0, head) + "<!--" + std::string(padding - 7, ' ') + "-->" +
                document.substr(head);
    }
    ListImportCounts counts;
    std::string error;
    const auto games = readListXml(scratch.write(bytes), &counts, &error);
    if (games) {
        FUZZ_CHECK(static_cast<size_t>(counts.kept) == games->size());
        for (const auto& game : *games) FUZZ_CHECK(game != nullptr);
    } else {
        FUZZ_CHECK(!error.empty());
    }
    return 0;
}
