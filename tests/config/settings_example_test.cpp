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

TEST(SettingsExample, GivesTheDefaultsKeepsThemWhenSavedAndEveryKeyIsRead)
{
    const std::string example = std::string(QUORVANE_SOURCE_DIR) + "/docs/launcher.ini.example";
    const ProfileFile file = ProfileFile::load(example);
    ASSERT_EQ(file.status(), ProfileFile::LoadStatus::Loaded) << example;
    const LauncherSettings defaults = loadSettings(ProfileFile::fromText(""));
    EXPECT_TRUE(loadSettings(file) == defaults)
        << "docs/launcher.ini.example and the defaults in config/settings.h disagree";

    // Saving the defaults over a copy leaves it byte for byte as it was: no key is appended.
    const TempFolder folder;
    const std::string copy = folder.write("launcher.ini", readFile(example));
    ASSERT_TRUE(saveSettings(defaults, std::nullopt, copy));
    EXPECT_EQ(readFile(copy), readFile(example));

    // Each key, set to a value other than its own, changes what is loaded.
    const std::map<std::string, std::string> others = {{"1", "0"},
                                                       {"Normal", "Inverted"},
                                                       {"ListView", "ImageBrowser"},
                                                       {"ScreenShots", "Flyers"}};
    std::ifstream in(example);
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
        const auto other = others.find(line.substr(equals + 1));
        ProfileFile changed = file;
        changed.setString(section, line.substr(0, equals),
                          other != others.end() ? other->second : "1");
        EXPECT_FALSE(loadSettings(changed) == defaults) << "[" << section << "] " << line;
        ++keys;
    }
    EXPECT_GT(keys, 0) << "no keys found in " << example;
}
