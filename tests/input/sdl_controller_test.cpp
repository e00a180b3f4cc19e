#include "platform/sdl_controller.h"

#include <sstream>

#include <gtest/gtest.h>

#include "input/joystick.h"
#include "input/listing_mode.h"

namespace {

class SdlControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        virtuals = VirtualControllers::create(&error);
        ASSERT_NE(virtuals, nullptr) << error;
        port = createSdlControllerPort(&error);
        ASSERT_NE(port, nullptr) << error;
    }
    void TearDown() override
    {
        port.reset();
        virtuals.reset();
    }

    std::unique_ptr<VirtualControllers> virtuals;
    std::unique_ptr<ControllerPort> port;
};

}  // namespace

TEST(SdlControllerScaling, AxesMapToTheLauncherRanges)
{
    const std::pair<int, int> scaled[] = {{0, 0},         {32767, 1000}, {-32768, -1000},
                                          {16384, 500},   {16417, 501},  {-16384, -500},
                                          {-16417, -501}, {99999, 1000}, {-99999, -1000}};
    for (const auto& [in, out] : scaled) EXPECT_EQ(scaleControllerAxis(in), out) << in;
    EXPECT_EQ(rawSystemAxis(-32768), 0u);
    EXPECT_EQ(rawSystemAxis(0), 32768u);
    EXPECT_EQ(rawSystemAxis(32767), 65535u);
}

TEST_F(SdlControllerTest, NamedControllerReadsScaledAxesAndTwentyFourButtons)
{
    EXPECT_FALSE(port->openController(""));
    const int pad = virtuals->attach("Cabinet Panel", 3, 24);
    ASSERT_GE(pad, 0);
    const auto info = port->openController("Cabinet Panel");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "Cabinet Panel");
    EXPECT_EQ(info->axisCount, 3);
    EXPECT_EQ(info->buttonCount, 24);

    virtuals->setAxis(pad, 0, 32767);
    virtuals->setAxis(pad, 1, -32768);
    virtuals->setAxis(pad, 2, 16417);
    virtuals->setButton(pad, 0, true);
    virtuals->setButton(pad, 23, true);
    const auto state = port->readController();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->x, 1000);
    EXPECT_EQ(state->y, -1000);
    EXPECT_EQ(state->z, 501);
    EXPECT_TRUE(state->buttons[0]);
    EXPECT_FALSE(state->buttons[1]);
    EXPECT_TRUE(state->buttons[23]);
    EXPECT_TRUE(controllerMaskActive(*state, kJoystickButton24));
    EXPECT_TRUE(controllerMaskActive(*state, kJoystickZPositive));
}

TEST_F(SdlControllerTest, NameChoosesAmongSeveralAndAnEmptyNameTakesTheFirst)
{
    virtuals->attach("Left Stick", 2, 4);
    virtuals->attach("Right Stick", 2, 10);
    const auto list = port->listControllers();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name, "Right Stick");
    EXPECT_EQ(list[1].buttonCount, 10);

    EXPECT_EQ(port->openController("")->name, "Left Stick");
    EXPECT_EQ(port->openController("Right Stick")->buttonCount, 10);
    EXPECT_FALSE(port->openController("right stick"));
    EXPECT_FALSE(port->readController());
}

TEST_F(SdlControllerTest, UnpluggingAndRepluggingNeverCrashesAndReopensByName)
{
    const int first = virtuals->attach("Panel", 3, 24);
    ASSERT_TRUE(port->openController("Panel"));
    ASSERT_TRUE(port->openSystemJoystick());
    virtuals->setButton(first, 2, true);
    ASSERT_TRUE(port->readController());

    ASSERT_TRUE(virtuals->detach(first));
    EXPECT_FALSE(port->readController());
    EXPECT_FALSE(port->readSystemJoystick());

    virtuals->attach("Other Pad", 2, 4);  // a different controller does not stand in
    EXPECT_FALSE(port->readController());
    const int again = virtuals->attach("Panel", 3, 24);
    virtuals->setButton(again, 5, true);
    const auto state = port->readController();
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->buttons[5]);
    EXPECT_FALSE(state->buttons[2]);  // nothing stale from the unplugged one
    // The system joystick is the first attached controller again.
    EXPECT_TRUE(port->readSystemJoystick());
}

TEST_F(SdlControllerTest, SystemJoystickIsTheFirstControllerWithRawAxesAndFourButtons)
{
    EXPECT_FALSE(port->openSystemJoystick());
    EXPECT_FALSE(port->readSystemJoystick());
    const int pad = virtuals->attach("Pad", 2, 8);
    const auto ranges = port->openSystemJoystick();
    ASSERT_TRUE(ranges);
    EXPECT_EQ(ranges->xMax, 65535u);
    virtuals->setAxis(pad, 0, 32767);
    virtuals->setAxis(pad, 1, -32768);
    virtuals->setButton(pad, 3, true);
    virtuals->setButton(pad, 4, true);  // button 5 is beyond this joystick's reach
    const auto state = port->readSystemJoystick();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->x, 65535u);
    EXPECT_EQ(state->y, 0u);
    EXPECT_EQ(state->buttons, 0x8u);
    EXPECT_NE(systemJoystickMaskActive(*state, *ranges, kJoystickRight), 0u);
    EXPECT_NE(systemJoystickMaskActive(*state, *ranges, kJoystickUp), 0u);
    EXPECT_NE(systemJoystickMaskActive(*state, *ranges, kJoystickButton4), 0u);
}

TEST_F(SdlControllerTest, ListingPrintsTheFirstUsableController)
{
    const std::string head = "Quorvane v3.0\n\n";
    const std::string prompt = "\nPress enter to close console:\n";
    struct Case {
        std::vector<std::pair<std::string, std::pair<int, int>>> attach;
        std::string expected;
    };
    const Case cases[] = {
        {{}, head + prompt},
        {{{"Arcade Panel", {2, 12}}},
         head +
             "Found joystick:\n  Name: Arcade Panel\n  Number of axes: 2\n"
             "  Number of buttons: 12\n" +
             prompt},
        {{{"First Pad", {3, 24}}, {"Second Pad", {2, 4}}},
         head +
             "Found joystick:\n  Name: First Pad\n  Number of axes: 3\n"
             "  Number of buttons: 24\n" +
             prompt},
    };
    for (const Case& c : cases) {
        std::vector<int> ids;
        for (const auto& [name, counts] : c.attach)
            ids.push_back(virtuals->attach(name, counts.first, counts.second));
        std::ostringstream out;
        std::istringstream in("\n");
        EXPECT_EQ(runListingMode(port.get(), out, in), 0);
        EXPECT_EQ(out.str(), c.expected);
        EXPECT_TRUE(in.eof() || in.peek() == std::char_traits<char>::eof());  // Enter consumed
        for (int id : ids) virtuals->detach(id);
    }
    // No joystick subsystem at all: only the caption and the prompt; no input also ends it.
    std::ostringstream out;
    std::istringstream empty;
    EXPECT_EQ(runListingMode(nullptr, out, empty), 0);
    EXPECT_EQ(out.str(), head + prompt);
}
