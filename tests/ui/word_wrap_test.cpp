#include "ui/word_wrap.h"

#include <tuple>

#include <gtest/gtest.h>

namespace {

// A fixed-width test font: every character (not byte) is 10 pixels wide.
int tenPerCharacter(std::string_view text)
{
    return 10 * static_cast<int>(utf8CharacterStarts(text).size() - 1);
}

}  // namespace

TEST(WordWrap, CutsAtTheLastBlankBeforeTheLimitAndBetweenCharacters)
{
    // {lines, limit, wrapped lines}
    const std::tuple<std::vector<std::string>, int, std::vector<std::string>> cases[] = {
        {{"aaaaaaaaaa"}, 100, {"aaaaaaaaaa"}},  // 100 pixels stays whole
        {{"aaaa bbbb cccc "}, 100, {"aaaa bbbb", "cccc "}},
        {{"aaaaaaaaa "}, 90, {"aaaaaaaaa"}},  // cut on the last character
        {{"one two three four five six"}, 80, {"one two", "three", "four", "five six"}},
        {{"x"}, 5, {}},  // one character too wide
        {{"ab"}, 5, {"a", "b"}},
        // A word wider than the line is cut into pieces that fit.
        {{"aa aaaaaaaaaaaaaaaaaaaaa"}, 100, {"aa", "aaaaaaaaaa", "aaaaaaaaaa", "a"}},
        {{"\xc3\xa9\xc3\xa9\xc3\xa9 \xe2\x82\xac\xe2\x82\xac"},  // characters, not bytes
         50,
         {"\xc3\xa9\xc3\xa9\xc3\xa9", "\xe2\x82\xac\xe2\x82\xac"}},
        {{"\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac"},
         20,
         {"\xe2\x82\xac\xe2\x82\xac", "\xe2\x82\xac"}},
        {{"aaaa bbbb cccc", "x", "", "dd ee"}, 100, {"aaaa bbbb", "cccc", "x", "", "dd ee"}},
    };
    for (const auto& [lines, limit, expected] : cases)
        EXPECT_EQ(wordWrapText(lines, limit, tenPerCharacter), expected) << lines[0];

    // Degenerate inputs finish: a line of 100,000 characters, a limit of nothing.
    EXPECT_EQ(wordWrapText({std::string(100000, 'w')}, 995, tenPerCharacter).size(), 1011u);
    EXPECT_EQ(wordWrapText({std::string(1000, 'w')}, 0, tenPerCharacter).size(), 1000u);
    EXPECT_TRUE(wordWrapText({""}, -1, tenPerCharacter).empty());
    // Lead bytes take the continuation bytes they promise and no more; stray continuation
    // bytes and truncated sequences count as characters of their own.
    const std::pair<std::string, std::vector<size_t>> utf8[] = {
        {"\x80\xc3", {0, 1, 2}},
        {"a\xe2\x82", {0, 1, 3}},
        {"\xc3\xa9\x80", {0, 2, 3}},
        {"\xe0\xa4\x85\xf0\x9f\x98\x80\xf5\x80", {0, 3, 7, 8, 9}},
        {"\xef\xbc\xa1\xf4\x8f\xbf\xbf\xf0", {0, 3, 7, 8}},
    };
    for (const auto& [text, starts] : utf8) EXPECT_EQ(utf8CharacterStarts(text), starts);
}
