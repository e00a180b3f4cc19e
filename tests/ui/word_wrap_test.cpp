#include "ui/word_wrap.h"

#include <gtest/gtest.h>

namespace {

// A fixed-width test font: every character (not byte) is 10 pixels wide.
int tenPerCharacter(std::string_view text)
{
    return 10 * static_cast<int>(utf8CharacterStarts(text).size() - 1);
}

}  // namespace

TEST(WordWrap, CutsAtTheLastBlankBeforeTheLimit)
{
    struct Case {
        std::string line;
        int limit;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"aaaa bbbb cccc", 100, {"aaaa bbbb", "cccc"}},
        {"aaaa bbbb c", 100, {"aaaa bbbb", "c"}},
        {"aaaaaaaaaa", 100, {"aaaaaaaaaa"}},  // 100 pixels stays whole
        {"aaaa bbbb cccc ", 100, {"aaaa bbbb", "cccc "}},
        {"aaaa bbbbb", 100, {"aaaa bbbbb"}},
        {"aaaa bbbbbb", 100, {"aaaa", "bbbbbb"}},
        {"aaaaaaaaa ", 90, {"aaaaaaaaa"}},  // cut on the last character
        {"one two three four five six", 80, {"one two", "three", "four", "five six"}},
        {"x", 5, {}},  // one character too wide
        {"", 5, {""}},
        {"ab", 5, {"a", "b"}},
        {"aaaaaaaaaaaaaaaaaaaaaaaaa", 100, {"aaaaaaaaaa", "aaaaaaaaaa", "aaaaa"}},
        {"aa aaaaaaaaaaaaaaaaaaaaa", 100, {"aa", "aaaaaaaaaa", "aaaaaaaaaa", "a"}},
        {"\xc3\xa9\xc3\xa9\xc3\xa9 \xe2\x82\xac\xe2\x82\xac",
         50,
         {"\xc3\xa9\xc3\xa9\xc3\xa9", "\xe2\x82\xac\xe2\x82\xac"}},
        {"\xe2\x82\xac\xe2\x82\xac\xe2\x82\xac", 20, {"\xe2\x82\xac\xe2\x82\xac", "\xe2\x82\xac"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(wordWrapText({c.line}, c.limit, tenPerCharacter), c.expected);
    }
}

TEST(WordWrap, KeepsLineOrderAcrossSourceLines)
{
    const std::vector<std::string> lines = {"aaaa bbbb cccc", "x", "short", "", "dd ee"};
    const std::vector<std::string> expected = {"aaaa bbbb", "cccc", "x", "short", "", "dd ee"};
    EXPECT_EQ(wordWrapText(lines, 100, tenPerCharacter), expected);
}

TEST(WordWrap, EveryPieceFitsAndNothingButTheCutBlanksIsLost)
{
    // Long words, runs of blanks and multi-byte characters at assorted limits.
    std::string line;
    for (int i = 0; i < 300; ++i) {
        line += std::string(static_cast<size_t>(i % 17 + 1), static_cast<char>('a' + i % 26));
        line += (i % 5 == 0) ? "  " : " ";
        if (i % 7 == 0) {
            line += "\xc3\xa9\xe2\x82\xac";
        }
    }
    for (int limit : {10, 35, 100, 333, 1000}) {
        SCOPED_TRACE(limit);
        const std::vector<std::string> wrapped = wordWrapText({line}, limit, tenPerCharacter);
        size_t kept = 0;
        for (const std::string& piece : wrapped) {
            EXPECT_LE(tenPerCharacter(piece), std::max(limit, 10));
            // Every piece is valid UTF-8 on its own: it starts on a character boundary.
            ASSERT_FALSE(!piece.empty() && (static_cast<unsigned char>(piece[0]) & 0xC0) == 0x80);
            kept += piece.size();
        }
        EXPECT_LE(kept, line.size());
        EXPECT_GE(kept + wrapped.size(), line.size());  // at most one blank per cut is lost
    }
}

TEST(WordWrap, DegenerateInputsFinish)
{
    // A line of 100,000 characters with no blank, and a zero or negative limit.
    const std::string huge(100000, 'w');
    EXPECT_EQ(wordWrapText({huge}, 995, tenPerCharacter).size(), 1011u);  // 99 per piece
    EXPECT_EQ(wordWrapText({std::string(1000, 'w')}, 0, tenPerCharacter).size(), 1000u);
    EXPECT_TRUE(wordWrapText({""}, -1, tenPerCharacter).empty());

    // 10,000 source lines.
    std::vector<std::string> many(10000, "aaaa bbbb cccc");
    EXPECT_EQ(wordWrapText(many, 100, tenPerCharacter).size(), 20000u);

    // Stray continuation bytes and truncated sequences count as characters of their own.
    EXPECT_EQ(utf8CharacterStarts("\x80\xc3").size(), 3u);
    EXPECT_EQ(utf8CharacterStarts("a\xe2\x82").size(), 3u);
}
