// Word wrapping of the history text for the information window, independent of any font: the
// caller hands in the function that measures a piece of text in pixels.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Width in pixels of a UTF-8 text in the font the lines will be drawn with.
using TextWidthFunction = std::function<int(std::string_view)>;

// Wraps each source line to `limit` pixels, in order, and returns the wrapped lines.
//
// A line no wider than the limit is kept whole. A wider line of fewer than two characters is
// dropped. Any other line is cut into segments: each grows one character at a time until it
// becomes wider than the limit, then ends at the last white space before that point (the white
// space itself is dropped). A segment with no such white space is cut before the character that
// made it too wide, keeping at least one character, so a word wider than the line is split into
// pieces that fit and the loop always advances. Cuts fall between whole UTF-8 characters.
//
// The width function must grow with the text (as real fonts do); it is called O(log n) times per
// segment, so a single line of 100,000 characters wraps quickly.
std::vector<std::string> wordWrapText(const std::vector<std::string>& lines, int limit,
                                      const TextWidthFunction& width);

// Byte offsets at which the UTF-8 characters of `text` start, followed by text.size(). A byte
// that cannot start a character (a stray continuation byte) counts as a character of its own.
std::vector<size_t> utf8CharacterStarts(std::string_view text);
