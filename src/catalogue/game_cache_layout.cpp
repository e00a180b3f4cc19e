#include "catalogue/game_cache_layout.h"

#include <cstring>
#include <string>

#include "catalogue/xml_stream.h"

namespace {

constexpr std::string_view kPrologue = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<games>";

// A code point XML 1.0 allows in a document.
bool isXmlCharacter(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(uint32_t c, std::string& out)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// A byte that can stand for itself in a value: printable ASCII other than the markup bytes.
// Tab, line feed and carriage return would be normalised to blanks by a parser, so the general
// reader gets those files.
bool isPlain(unsigned char c)
{
    return c >= 0x20 && c < 0x80 && c != '"' && c != '&' && c != '<';
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    bool at(std::string_view s) const
    {
        return static_cast<size_t>(end_ - p_) >= s.size() &&
               std::memcmp(p_, s.data(), s.size()) == 0;
    }
    bool take(std::string_view s)
    {
        if (!at(s)) return false;
        p_ += s.size();
        return true;
    }

    // ` name="value"`, the value decoded into `out`.
    bool text(std::string_view name, std::string& out)
    {
        if (!take(" ") || !take(name) || !take("=\"")) return false;
        const char* start = p_;
        while (p_ < end_ && isPlain(static_cast<unsigned char>(*p_))) ++p_;
        if (p_ < end_ && *p_ == '"') {
            out.assign(start, static_cast<size_t>(p_ - start));
            ++p_;
            return true;
        }
        out.assign(start, static_cast<size_t>(p_ - start));
        while (p_ < end_) {
            const auto c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                ++p_;
                return true;
            }
            if (c == '&') {
                if (!reference(out)) return false;
            } else if (c >= 0x80) {
                appendUtf8(c, out);  // ISO-8859-1 bytes are their own code points
                ++p_;
            } else if (isPlain(c)) {
                out.push_back(static_cast<char>(c));
                ++p_;
            } else {
                return false;
            }
        }
        return false;
    }

    // ` name="number"`, read as the general reader reads it.
    bool number(std::string_view name, int32_t& out)
    {
        if (!take(" ") || !take(name) || !take("=\"")) return false;
        const char* start = p_;
        const bool negative = p_ < end_ && *p_ == '-';
        if (negative) ++p_;
        int32_t value = 0;
        int digits = 0;
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9' && digits < 9) {
            value = value * 10 + (*p_ - '0');
            ++p_;
            ++digits;
        }
        if (digits > 0 && p_ < end_ && *p_ == '"') {
            out = negative ? -value : value;
            ++p_;
            return true;
        }
        // Anything unusual (a sign, blanks, a long number, a reference) as the text reads it.
        p_ = start - (name.size() + 3);
        std::string value_text;
        if (!text(name, value_text)) return false;
        out = xml_stream::decimal(value_text);
        return true;
    }

    bool atEnd() const { return p_ == end_; }
    void skipBlanks()
    {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r')) ++p_;
    }

private:
    // An entity or character reference at `&`, appended to `out` as UTF-8.
    bool reference(std::string& out)
    {
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (const auto& [name, c] : kEntities) {
            if (take(name)) {
                out.push_back(c);
                return true;
            }
        }
        if (!take("&#")) return false;
        const bool hex = take("x");
        uint32_t code = 0;
        int digits = 0;
        for (; p_ < end_ && *p_ != ';'; ++p_, ++digits) {
            const char c = *p_;
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (hex && c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (hex && c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return false;
            }
            if (digits >= 7) return false;  // beyond any code point
            code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
        }
        if (digits == 0 || !take(";") || !isXmlCharacter(code)) return false;
        appendUtf8(code, out);
        return true;
    }

    const char* p_;
    const char* end_;
};

bool readGame(Scanner& in, GameRecord& game)
{
    if (!in.text("romname", game.romname) || !in.text("description", game.description) ||
        !in.number("year", game.year)) {
        return false;
    }
    if (in.at(" manufacturer=") && !in.text("manufacturer", game.manufacturer.emplace()))
        return false;
    if (in.at(" cloneof=") && !in.text("cloneof", game.cloneof.emplace())) return false;
    if (in.at(" romof=") && !in.text("romof", game.romof.emplace())) return false;
    if (in.take("/>")) return true;
    if (!in.take(">")) return false;

    int32_t n = 0;
    if (in.take("<video")) {
        auto& video = *(game.video = std::make_unique<VideoInfo>());
        if (!in.text("screen", video.screen) || !in.number("orientation", n)) return false;
        video.orientation = static_cast<uint16_t>(n);
        if (!in.number("xres", n)) return false;
        video.width = static_cast<int16_t>(n);
        if (!in.number("yres", n) || !in.take("/>")) return false;
        video.height = static_cast<int16_t>(n);
    }
    if (in.take("<input")) {
        auto& input = *(game.input = std::make_unique<InputInfo>());
        if (!in.number("players", n)) return false;
        input.players = static_cast<int16_t>(n);
        if (!in.number("buttons", n)) return false;
        input.buttons = static_cast<int16_t>(n);
        if (!in.number("coins", n)) return false;
        input.coins = static_cast<int16_t>(n);
        if (!in.number("control", n) || !in.take("/>")) return false;
        input.control = static_cast<uint16_t>(n);
    }
    return in.take("</game>");
}

// The unread bytes of the cache, read a piece at a time and cut into records.
class RecordReader {
public:
    explicit RecordReader(const CacheBytes& readMore) : readMore_(readMore) {}

    // True when the unread bytes start with `s`; consumed then.
    bool take(std::string_view s)
    {
        while (unread().size() < s.size() && readPiece()) {
        }
        if (!unread().starts_with(s)) return false;
        pos_ += s.size();
        return true;
    }

    // The next record: from here up to the next "<game" or "</games>", or to the end of the
    // file. Values hold no "<" in the written layout, so no record is cut inside itself; bytes
    // of another layout fail to read either way.
    std::string_view record()
    {
        dropConsumed();
        size_t from = pos_;
        for (;;) {
            for (size_t lt = buffer_.find('<', from); lt != std::string::npos;
                 lt = buffer_.find('<', lt + 1)) {
                const std::string_view rest(buffer_.data() + lt, buffer_.size() - lt);
                if (rest.size() < kLongestMark.size() && !atEnd_) break;  // undecided yet
                if (rest.starts_with("<game") || rest.starts_with(kLongestMark))
                    return cut(lt);
                from = lt + 1;
            }
            if (atEnd_ || !readPiece()) return cut(buffer_.size());
        }
    }

    // Whatever is left, read to the end of the file.
    std::string_view rest()
    {
        while (readPiece()) {
        }
        return cut(buffer_.size());
    }

private:
    static constexpr std::string_view kLongestMark = "</games>";
    // Once this many bytes are consumed, they leave the front of the buffer.
    static constexpr size_t kDropAfter = 64 * 1024;

    std::string_view unread() const
    {
        return std::string_view(buffer_).substr(pos_);
    }
    bool readPiece()
    {
        if (atEnd_) return false;
        if (!readMore_(buffer_)) atEnd_ = true;
        return !atEnd_;
    }
    void dropConsumed()
    {
        if (pos_ < kDropAfter) return;
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    std::string_view cut(size_t end)
    {
        const std::string_view part(buffer_.data() + pos_, end - pos_);
        pos_ = end;
        return part;
    }

    const CacheBytes& readMore_;
    std::string buffer_;
    size_t pos_ = 0;
    bool atEnd_ = false;
};

}  // namespace

bool readWrittenCacheLayout(const CacheBytes& readMore,
                            std::vector<std::unique_ptr<GameRecord>>& games)
{
    RecordReader reader(readMore);
    if (!reader.take(kPrologue)) return false;
    while (reader.take("<game")) {
        Scanner in(reader.record());
        games.push_back(std::make_unique<GameRecord>());
        if (!readGame(in, *games.back()) || !in.atEnd()) return false;
    }
    Scanner tail(reader.rest());
    if (!tail.take("</games>")) return false;
    tail.skipBlanks();
    return tail.atEnd();
}
