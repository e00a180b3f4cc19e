#include "ui/word_wrap.h"

namespace {

// White space as isspace() defines it in the classic locale.
bool isClassicSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isContinuationByte(unsigned char c) { return (c & 0xC0u) == 0x80u; }

// Length in bytes of the character starting with lead byte c (1 for anything malformed).
size_t sequenceLength(unsigned char c)
{
    if (c >= 0xF0u && c <= 0xF4u) {
        return 4;
    }
    if (c >= 0xE0u) {
        return c <= 0xEFu ? 3 : 1;
    }
    if (c >= 0xC2u) {
        return 2;
    }
    return 1;
}

void wrapLine(std::string_view line, int limit, const TextWidthFunction& width,
              std::vector<std::string>& out)
{
    if (width(line) <= limit) {
        out.emplace_back(line);
        return;
    }
    const std::vector<size_t> starts = utf8CharacterStarts(line);
    const size_t count = starts.size() - 1;  // characters in the line
    if (count < 2) {
        return;
    }
    // Width of the characters [from, from + n).
    auto measure = [&](size_t from, size_t n) {
        return width(line.substr(starts[from], starts[from + n] - starts[from]));
    };

    size_t s = 0;
    while (s < count) {
        const size_t remaining = count - s;
        // Find the smallest n such that the first n characters from s are too wide: gallop to
        // bracket it, then halve the bracket.
        size_t fits = 0;  // a length known to fit
        size_t tooWide = 0;
        for (size_t n = 1;; n *= 2) {
            const size_t probe = n < remaining ? n : remaining;
            if (measure(s, probe) > limit) {
                tooWide = probe;
                break;
            }
            fits = probe;
            if (probe == remaining) {
                break;
            }
        }
        if (tooWide == 0) {
            out.emplace_back(line.substr(starts[s]));
            return;
        }
        while (tooWide - fits > 1) {
            const size_t mid = fits + (tooWide - fits) / 2;
            if (measure(s, mid) > limit) {
                tooWide = mid;
            } else {
                fits = mid;
            }
        }
        const size_t e = s + tooWide;  // the text [s, e) is the first that is too wide

        size_t cut = e;
        for (size_t i = e; i > s; --i) {
            const size_t c = i - 1;
            if (starts[c + 1] - starts[c] == 1 && isClassicSpace(line[starts[c]])) {
                cut = c;
                break;
            }
        }
        if (cut < e) {
            out.emplace_back(line.substr(starts[s], starts[cut] - starts[s]));
            s = cut + 1;  // the white space itself is dropped
        } else {
            // One word wider than the line: keep what fits, and at least one character.
            const size_t end = e - 1 > s ? e - 1 : s + 1;
            out.emplace_back(line.substr(starts[s], starts[end] - starts[s]));
            s = end;
        }
    }
}

}  // namespace

std::vector<size_t> utf8CharacterStarts(std::string_view text)
{
    std::vector<size_t> starts;
    starts.reserve(text.size() + 1);
    size_t i = 0;
    while (i < text.size()) {
        starts.push_back(i);
        const size_t length = sequenceLength(static_cast<unsigned char>(text[i]));
        size_t next = i + 1;
        // Take the continuation bytes the lead byte promises, stopping at the first that is not.
        while (next < text.size() && next < i + length &&
               isContinuationByte(static_cast<unsigned char>(text[next]))) {
            ++next;
        }
        i = next;
    }
    starts.push_back(text.size());
    return starts;
}

std::vector<std::string> wordWrapText(const std::vector<std::string>& lines, int limit,
                                      const TextWidthFunction& width)
{
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        wrapLine(line, limit, width, out);
    }
    return out;
}
