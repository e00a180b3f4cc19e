// Reads ID3 title and artist fields with TagLib.
#pragma once

#include "platform/tag_reader.h"

// ID3v2 frames come from TagLib, which decodes every ID3v2 text encoding to UTF-8. The 128-byte
// ID3v1 tag is read directly, because TagLib trims its fields and the launcher's length rule
// must see the untrimmed value; its single-byte text is taken as Latin-1.
class TagLibTagReader final : public TagReader {
public:
    TagFields read(const std::string& path) override;
};
