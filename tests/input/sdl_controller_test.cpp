#include "platform/sdl_controller.h"

#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "input/joystick.h"
#include "input/listing_mode.h"

namespace {

// The port is closed before the virtual controllers go (members end in reverse order).
class SdlControllerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(virtuals, nullptr) << error;
        port = createSdlControllerPort(&error);
        ASSERT_NE(port, nullptr) << error;
    }

    std::string error;
    std::unique_ptr<VirtualControllers> virtuals = VirtualControllers::create(&error);
    std::unique_ptr<ControllerPort> port;
};

}  // namespace

// A named controller reads scaled axes and 24 buttons; the system joystick is the first
// controller, with raw axes and four buttons.
TEST_F(SdlControllerTest, NamedControllerAndSystemJoystickReadings)
{
    EXPECT_FALSE(port->openController(""));
    EXPECT_FALSE(port->openSystemJoystick());
    const int first = virtuals->attach("Left Stick", 2, 8);
    const int pad = virtuals->attach("Cabinet Panel", 3, 24);
    EXPECT_EQ(port->openController("")->name, "Left Stick");
    EXPECT_FALSE(port->openController("cabinet panel"));  // exact names only
    const auto info = port->openController("Cabinet Panel");
    ASSERT_TRUE(info);
    EXPECT_EQ(std::pair(info->axisCount, info->buttonCount), std::pair(3, 24));

    virtuals->setAxis(pad, 0, 32767);
    virtuals->setAxis(pad, 1, -32768);
    virtuals->setAxis(pad, 2, 16417);  // scaled to 501: just past half deflection
    virtuals->setButton(pad, 23, true);
    const auto state = port->readController();
    ASSERT_TRUE(state);
    EXPECT_EQ(std::tuple(state->x, state->y, state->z), std::tuple(1000, -1000, 501));
    EXPECT_TRUE(controllerMaskActive(*state, kJoystickButton24));
    EXPECT_EQ(scaleControllerAxis(16384), 500);  // half deflection stays below the threshold

    const auto ranges = port->openSystemJoystick();
    ASSERT_TRUE(ranges);
    virtuals->setAxis(first, 0, 32767);
    virtuals->setAxis(first, 1, -32768);
    virtuals->setButton(first, 3, true);
    virtuals->setButton(first, 4, true);  // button 5 is beyond this joystick's reach
    const auto system = port->readSystemJoystick();
    ASSERT_TRUE(system);
    EXPECT_EQ(std::tuple(system->x, system->y, system->buttons), std::tuple(65535u, 0u, 0x8u));
    EXPECT_NE(systemJoystickMaskActive(*system, *ranges, kJoystickRight), 0u);
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
    // Without controllers (or without a joystick subsystem) only the caption and the prompt.
    std::ostringstream none;
    std::istringstream empty;  // no console input also ends the wait
    EXPECT_EQ(runListingMode(nullptr, none, empty), 0);
    EXPECT_EQ(none.str(), "Quorvane v3.0\n\n\nPress enter to close console:\n");
    virtuals->attach("First Pad", 3, 24);
    virtuals->attach("Second Pad", 2, 4);
    std::ostringstream out;
    std::istringstream in("\nrest");
    EXPECT_EQ(runListingMode(port.get(), out, in), 0);
    EXPECT_EQ(in.tellg(), 1);  // Enter consumed, nothing more
    EXPECT_EQ(out.str(), "Quorvane v3.0\n\nFound joystick:\n  Name: First Pad\n"
                         "  Number of axes: 3\n  Number of buttons: 24\n\n"
                         "Press enter to close console:\n");
}
