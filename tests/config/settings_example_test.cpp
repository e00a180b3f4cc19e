// The example settings file shipped with the launcher must describe the launcher as built: it
// loads with exactly the built-in defaults, holds every key the launcher writes back, and every
// key in it is one the launcher reads (a misspelt key would be silently ignored).
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "config/settings.h"
#include "config/temp_folder.h"
#include "platform/profile.h"

namespace {

const std::string kExample = std::string(QUORVANE_SOURCE_DIR) + "/docs/launcher.ini.example";

// A value that differs, once loaded, from the value `text` gives.
std::string otherValue(const std::string& text)
{
    static const std::map<std::string, std::string> keywords = {
        {"Normal", "Inverted"}, {"ListView", "ImageBrowser"}, {"ScreenShots", "Flyers"}};
    if (const auto it = keywords.find(text); it != keywords.end()) return it->second;
    return text == "1" ? "0" : "1";
}

}  // namespace

TEST(SettingsExample, GivesTheDefaultsKeepsThemWhenSavedAndEveryKeyIsRead)
{
    const ProfileFile example = ProfileFile::load(kExample);
    ASSERT_EQ(example.status(), ProfileFile::LoadStatus::Loaded) << kExample;
    const LauncherSettings defaults = loadSettings(ProfileFile::fromText(""));
    EXPECT_TRUE(loadSettings(example) == defaults)
        << "docs/launcher.ini.example and the defaults in config/settings.h disagree";

    // Saving the defaults over a copy leaves it byte for byte as it was: no key is appended.
    const TempFolder folder;
    const std::string copy = folder.write("launcher.ini", readFile(kExample));
    ASSERT_TRUE(saveSettings(defaults, std::nullopt, copy));
    EXPECT_EQ(readFile(copy), readFile(kExample));

    std::ifstream in(kExample);
    std::string line, section;
    int keys = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const size_t equals = line.find('=');
        ASSERT_NE(equals, std::string::npos) << line;
        ProfileFile changed = example;
        changed.setString(section, line.substr(0, equals), otherValue(line.substr(equals + 1)));
        EXPECT_FALSE(loadSettings(changed) == defaults) << "[" << section << "] " << line;
        ++keys;
    }
    EXPECT_GT(keys, 0) << "no keys found in " << kExample;
}
