#include <gtest/gtest.h>

#include "core/startup.h"

TEST(Startup, CommandLineChoosesModeAndSettingsFile)
{
    // The arguments are joined by single blanks; a path with blanks survives as one path, and a
    // quoted path keeps its quotes (naming no file, so every setting takes its default).
    EXPECT_EQ(joinCommandLine({"my", "cab.ini"}), "my cab.ini");
    EXPECT_EQ(settingsPathFor(""), "./launcher.ini");
    EXPECT_EQ(settingsPathFor("\"cab.ini\""), "\"cab.ini\"");
    EXPECT_TRUE(isListingMode("x--listjoysticksy"));
    EXPECT_FALSE(isListingMode("--listjoystick"));
    EXPECT_TRUE(isHelpRequest({"--help"}) && isHelpRequest({"cab.ini", "-h"}));
    EXPECT_FALSE(isHelpRequest({"--helpful.ini"}));
    EXPECT_NE(usageText().find("--listjoysticks"), std::string::npos);
}
