// The command-line splitter: any words, quoted by the rules it follows and joined by blanks, must
// split back into exactly those words (the launcher builds its command lines from settings that
// way, and a word that came apart would run another program or lose an option).
#include <string>
#include <vector>

#include "fuzz_scratch.h"
#include "platform/process.h"

// Quotes one word so that the Windows rules give it back whole: the backslashes before a double
// quote or the closing quote are doubled, and the double quote escaped.
static std::string quoteWord(const std::string& word)
{
    std::string out = "\"";
    size_t backslashes = 0;  // the backslashes that end out
    for (const char c : word) {
        if (c == '"') out.append(backslashes + 1, '\\');
        out.push_back(c);
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return out.append(backslashes, '\\') + '"';
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> words = splitCommandLine(std::string(fuzz::asText(data, size)));
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line.push_back(' ');
        line += quoteWord(word);
    }
    FUZZ_CHECK(splitCommandLine(line) == words);
    return 0;
}
