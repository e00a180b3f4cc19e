#include "platform/tag_reader_taglib.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

namespace {

constexpr std::size_t kId3v1Size = 128;
constexpr std::size_t kId3v1FieldSize = 30;

std::string cutAtNul(std::string text)
{
    if (auto nul = text.find('\0'); nul != std::string::npos) {
        text.resize(nul);
    }
    return text;
}

std::string latin1ToUtf8(const char* bytes, std::size_t size)
{
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0) {
            break;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// The first text of a TIT2/TPE1 frame; several texts in one frame are NUL-separated on disk
// and only the first counts, as a reader of the raw bytes would see it.
std::optional<std::string> id3v2Text(TagLib::ID3v2::Tag& tag, const char* frameId)
{
    const TagLib::ID3v2::FrameList& frames = tag.frameListMap()[frameId];
    if (frames.isEmpty()) {
        return std::nullopt;
    }
    const TagLib::ID3v2::Frame* frame = frames.front();
    if (auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
        TagLib::StringList fields = text->fieldList();
        return fields.isEmpty() ? std::string() : cutAtNul(fields.front().to8Bit(true));
    }
    return cutAtNul(frame->toString().to8Bit(true));
}

bool startsWithId3v2(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::array<char, 3> magic{};
    return in.read(magic.data(), magic.size()) && std::memcmp(magic.data(), "ID3", 3) == 0;
}

void readId3v1(const std::string& path, TagFields& fields)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return;
    }
    auto size = std::filesystem::file_size(path, error);
    if (error || size < kId3v1Size) {
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::array<char, kId3v1Size> tag{};
    if (!in.seekg(static_cast<std::streamoff>(size - kId3v1Size)) ||
        !in.read(tag.data(), tag.size()) || std::memcmp(tag.data(), "TAG", 3) != 0) {
        return;
    }
    fields.id3v1Title = latin1ToUtf8(tag.data() + 3, kId3v1FieldSize);
    fields.id3v1Artist = latin1ToUtf8(tag.data() + 3 + kId3v1FieldSize, kId3v1FieldSize);
}

}  // namespace

TagFields TagLibTagReader::read(const std::string& path)
{
    TagFields fields;
    std::error_code error;
    // TagLib opens folders and devices without complaint; only plain files carry tags.
    if (!std::filesystem::is_regular_file(path, error)) {
        return fields;
    }
    // Only a tag at the very start is looked for: TagLib would otherwise scan a whole
    // non-MPEG file (a long FLAC, say) for one, on the GUI thread, at every song start.
    if (startsWithId3v2(path)) {
        TagLib::MPEG::File file(path.c_str(), false);
        if (file.isOpen() && file.hasID3v2Tag()) {
            if (TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false)) {
                fields.id3v2Title = id3v2Text(*tag, "TIT2");
                fields.id3v2Artist = id3v2Text(*tag, "TPE1");
            }
        }
    }
    readId3v1(path, fields);
    return fields;
}
