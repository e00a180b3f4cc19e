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

TEST_F(SdlControllerTest, NamedControllerReadsScaledAxesAndTwentyFourButtons)
{
    EXPECT_FALSE(port->openController(""));
    virtuals->attach("Left Stick", 2, 4);
    const int pad = virtuals->attach("Cabinet Panel", 3, 24);
    EXPECT_EQ(port->listControllers().at(1).buttonCount, 24);
    EXPECT_EQ(port->openController("")->name, "Left Stick");
    EXPECT_FALSE(port->openController("cabinet panel"));  // exact names only
    const auto info = port->openController("Cabinet Panel");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->axisCount, 3);

    virtuals->setAxis(pad, 0, 32767);
    virtuals->setAxis(pad, 1, -32768);
    virtuals->setAxis(pad, 2, 16417);  // scaled to 501: just past half deflection
    virtuals->setButton(pad, 23, true);
    const auto state = port->readController();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->x, 1000);
    EXPECT_EQ(state->y, -1000);
    EXPECT_EQ(state->z, 501);
    EXPECT_FALSE(state->buttons[0]);
    EXPECT_TRUE(controllerMaskActive(*state, kJoystickButton24));
    EXPECT_EQ(scaleControllerAxis(16384), 500);
    EXPECT_EQ(scaleControllerAxis(-16417), -501);
}

TEST_F(SdlControllerTest, SystemJoystickIsTheFirstControllerWithRawAxesAndFourButtons)
{
    EXPECT_FALSE(port->openSystemJoystick());
    const int pad = virtuals->attach("Pad", 2, 8);
    const auto ranges = port->openSystemJoystick();
    ASSERT_TRUE(ranges);
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
}

TEST_F(SdlControllerTest, UnpluggingAndRepluggingNeverCrashesAndReopensByName)
{
    const int first = virtuals->attach("Panel", 3, 24);
    ASSERT_TRUE(port->openController("Panel"));
    ASSERT_TRUE(port->openSystemJoystick());
    virtuals->setButton(first, 2, true);
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
    EXPECT_TRUE(port->readSystemJoystick());
}

TEST_F(SdlControllerTest, ListingPrintsTheFirstUsableController)
{
    const std::string head = "Quorvane v3.0\n\n";
    const std::string prompt = "\nPress enter to close console:\n";
    const std::string found = "Found joystick:\n  Name: First Pad\n  Number of axes: 3\n"
                              "  Number of buttons: 24\n";
    std::ostringstream out;
    std::istringstream empty;  // no console input also ends the wait
    EXPECT_EQ(runListingMode(nullptr, out, empty), 0);  // no joystick subsystem at all
    for (int attached = 0; attached <= 2; ++attached) {
        if (attached == 1) virtuals->attach("First Pad", 3, 24);
        if (attached == 2) virtuals->attach("Second Pad", 2, 4);
        std::istringstream in("\nrest");
        EXPECT_EQ(runListingMode(port.get(), out, in), 0);
        EXPECT_EQ(in.tellg(), 1);  // Enter consumed, nothing more
    }
    EXPECT_EQ(out.str(), head + prompt + head + prompt + head + found + prompt + head + found +
                             prompt);
}
