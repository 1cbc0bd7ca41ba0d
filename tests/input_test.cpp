// The input object over the DirectInput-shaped layer, driven through the
// layer's fake system: key tables, new presses, failed reads, the exclusive
// mouse switch, wheel and motion, and controllers released at start-up.
#include <gtest/gtest.h>

#include "support/scan_codes.h"

#include <string>

#include "input/input.h"
#include "platform/clock.h"
#include "platform/input/fake_input.h"
#include "platform/message_box.h"

namespace {

namespace fake = dinput::fake;

using namespace scan_code;

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageBoxesSuppressed(true);
        fake::UseFakeSystem();
        ASSERT_EQ(input.InitInput(nullptr), S_OK);
        input.AcquireDevices();
    }
    void TearDown() override
    {
        input.ReleaseDevices();
        fake::UseSdlSystem();
    }

    // One key alone: press, poll, and what the two tables say of it.
    struct KeyReport {
        int pressedCount, pressedCode, changedCount, changedCode;
    };
    KeyReport PressAlone(uint8_t key)
    {
        fake::KeyDown(key);
        input.PollKeyboard();
        const KeyReport report {input.PressedKeyCount(), input.PressedKeyCode(0), input.ChangedKeyCount(),
                                input.ChangedKeyCode(0)};
        fake::KeyUp(key);
        input.PollKeyboard();
        return report;
    }

    CInput input;
};

TEST_F(InputTest, InputPressedAndChangedKeyTablesDifferOnlyWhereDesigned)
{
    struct Row {
        uint8_t key;
        int pressedCode, changedCount, changedCode;
    };
    const Row rows[] = {
        {kEnter, 0, 1, 13},          // a new press, never a held key
        {kLeftShift, 16, 1, 0},      // a held modifier, never a new press with a code
        {kF10, 121, 0, 0},           // never among the changed keys
        {kRightControl, 4, 0, 0},
        {kLeftControl, 3, 1, 3},
    };
    for (const Row& row : rows) {
        const KeyReport report = PressAlone(row.key);
        EXPECT_EQ(report.pressedCount, 1) << "scan code " << int(row.key);
        EXPECT_EQ(report.pressedCode, row.pressedCode) << "scan code " << int(row.key);
        EXPECT_EQ(report.changedCount, row.changedCount) << "scan code " << int(row.key);
        EXPECT_EQ(report.changedCode, row.changedCode) << "scan code " << int(row.key);
    }
}

// Reads come once per frame, and a frame may take seconds: what happened
// between two reads must all be read, whatever the frame rate.
TEST_F(InputTest, InputEveryKeyPressIsReadOnceHoweverLongBetweenReads)
{
    // Pressed and released between two reads: down in the next, up after.
    const auto presses = [this](int reads) {
        std::string seen;
        for (int i = 0; i < reads; ++i) {
            input.PollKeyboard();
            seen += input.ChangedKeyCount() ? 'P' : (input.PressedKeyCount() ? 'd' : '-');
        }
        return seen;
    };
    fake::KeyDown(kW);
    fake::KeyUp(kW);
    EXPECT_EQ(presses(2), "P-");
    ASSERT_EQ(input.PressedKeyCode(0), 0);

    // Twenty quick taps between two reads are twenty presses.
    for (int tap = 0; tap < 20; ++tap) {
        fake::KeyDown(kW);
        fake::KeyUp(kW);
    }
    std::string twenty;
    for (int tap = 0; tap < 20; ++tap) twenty += "P-";
    EXPECT_EQ(presses(41), twenty + "-");

    // Held, with the system's key repeats: one press, then down until released.
    fake::KeyDown(kW);
    EXPECT_EQ(presses(1), "P");
    EXPECT_EQ(input.PressedKeyCode(0), 87);
    fake::KeyDown(kW);
    EXPECT_EQ(presses(2), "dd");
    // Released and pressed again between two reads: up, then a new press.
    fake::KeyUp(kW);
    fake::KeyDown(kW);
    EXPECT_EQ(presses(3), "-Pd");
    fake::KeyUp(kW);
    EXPECT_EQ(presses(1), "-");
}

TEST_F(InputTest, InputFailedKeyboardReadsGiveNoStaleOrPhantomPress)
{
    fake::KeyDown(kW);
    input.PollKeyboard();
    ASSERT_EQ(input.ChangedKeyCode(0), 87);

    // While the window lacks focus every read fails: the last press is not
    // reported again pass after pass.
    fake::LoseFocus();
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(input.PollKeyboard(), S_OK);
        EXPECT_EQ(input.ChangedKeyCount(), 0) << "pass " << pass;
        EXPECT_EQ(input.PressedKeyCount(), 0) << "pass " << pass;
    }

    // W was held through the gap: down again but not new. A fresh key is new.
    fake::GainFocus();
    fake::KeyDown(kW);
    input.PollKeyboard();  // re-acquires; that pass is empty
    EXPECT_EQ(input.PressedKeyCount(), 0);
    input.PollKeyboard();
    EXPECT_EQ(input.PressedKeyCode(0), 87);
    EXPECT_EQ(input.ChangedKeyCount(), 0);
    fake::KeyDown(kA);
    input.PollKeyboard();
    EXPECT_EQ(input.ChangedKeyCount(), 1);
    EXPECT_EQ(input.ChangedKeyCode(0), 65);
}

TEST_F(InputTest, InputReacquiringWhileInputStaysLostIsBounded)
{
    fake::LoseFocus();
    fake::ForceAcquireResult(dinput::DIERR_INPUTLOST);
    const int before = fake::AcquireCallCount();
    EXPECT_EQ(input.PollKeyboard(), S_OK);
    const int keyboardAttempts = fake::AcquireCallCount() - before;
    EXPECT_GE(keyboardAttempts, 2);  // input lost is answered by trying again...
    EXPECT_LE(keyboardAttempts, 8);  // ...but not for ever
    EXPECT_EQ(input.PollMouse(), dinput::DIERR_INPUTLOST);
    EXPECT_LE(fake::AcquireCallCount() - before - keyboardAttempts, 8);
}

// Switching between a shared and an exclusive mouse makes a new device: it
// takes the pointer at once, loses no press made before the next poll, and
// does not press again a button held through the switch.
TEST_F(InputTest, InputExclusiveSwitchLosesNoPressAndPressesNothingAgain)
{
    fake::PressButton(0);
    EXPECT_EQ(input.PollMouse(), S_OK);
    EXPECT_EQ(input.buttonChanged[0], 0x80);

    ASSERT_EQ(input.SetMouseExclusive(1), S_OK);
    EXPECT_TRUE(fake::RelativeMouseMode());
    fake::PressButton(1);
    fake::ReleaseButton(1);
    fake::MoveMouse(3, 5);
    EXPECT_EQ(input.PollMouse(), S_OK);
    EXPECT_EQ(input.GetMouseAxis(kMouseAxisX), 3);
    EXPECT_EQ(input.buttonChanged[1], 0x80);
    EXPECT_EQ(input.mouseState.rgbButtons[0], 0x80);
    EXPECT_EQ(input.buttonChanged[0], 0);

    ASSERT_EQ(input.SetMouseExclusive(0), S_OK);
    EXPECT_FALSE(fake::RelativeMouseMode());
}

TEST_F(InputTest, InputFocusLossFreesAnExclusiveMouseUntilThePollAfterItReturns)
{
    ASSERT_EQ(input.SetMouseExclusive(1), S_OK);
    input.PollMouse();
    ASSERT_TRUE(fake::RelativeMouseMode());

    fake::LoseFocus();
    EXPECT_FALSE(fake::RelativeMouseMode());
    EXPECT_EQ(input.PollMouse(), dinput::DIERR_OTHERAPPHASPRIO);  // lost, and not to be had back yet
    EXPECT_EQ(input.mouseExclusive, 1);                          // still the mode the program asked for

    fake::GainFocus();
    EXPECT_EQ(input.PollMouse(), S_OK);  // not acquired: acquires, empty pass
    EXPECT_TRUE(fake::RelativeMouseMode());
    fake::MoveMouse(1, 1);
    input.PollMouse();
    EXPECT_EQ(input.GetMouseAxis(kMouseAxisX), 1);
}

TEST_F(InputTest, InputMouseMotionAndWheelAreSummedSinceTheLastRead)
{
    fake::MoveMouse(3, 1);
    fake::MoveMouse(-10, 2);
    fake::TurnWheel(2);
    fake::TurnWheel(-1);
    fake::PressButton(1);
    fake::PressButton(2);
    input.PollMouse();
    EXPECT_EQ(input.GetMouseAxis(kMouseAxisX), -7);
    EXPECT_EQ(input.GetMouseAxis(kMouseAxisY), 3);
    EXPECT_EQ(input.GetMouseAxis(kMouseWheel), 120);
    EXPECT_EQ(input.buttonChanged[1], 0x80);  // right
    EXPECT_EQ(input.buttonChanged[2], 0x80);  // middle

    input.PollMouse();
    EXPECT_EQ(input.GetMouseAxis(kMouseAxisX), 0);
    EXPECT_EQ(input.GetMouseAxis(kMouseWheel), 0);
    EXPECT_EQ(input.mouseState.rgbButtons[1], 0x80);
    EXPECT_EQ(input.buttonChanged[1], 0);
}

TEST_F(InputTest, InputNothingIsReadBeforeTheDevicesAreAcquired)
{
    CInput fresh;
    ASSERT_EQ(fresh.InitInput(nullptr), S_OK);
    fake::KeyDown(kW);  // a tap before the acquisition is not the device's
    fake::KeyUp(kW);
    fake::KeyDown(kA);
    fake::MoveMouse(5, 5);
    fresh.PollKeyboard();
    EXPECT_EQ(fresh.PollMouse(), S_OK);
    EXPECT_EQ(fresh.PressedKeyCount(), 0);
    EXPECT_EQ(fresh.GetMouseAxis(kMouseAxisX), 0);

    EXPECT_EQ(fresh.AcquireDevices(), S_OK);
    fresh.PollKeyboard();
    EXPECT_EQ(fresh.PressedKeyCount(), 1);
    EXPECT_EQ(fresh.PressedKeyCode(0), 65);
}

TEST(InputWithoutDevices, InputSwitchingTheMouseWithoutAMouseFailsAndClearsTheFlag)
{
    CInput input;
    input.mouseExclusive = 1;
    EXPECT_EQ(input.SetMouseExclusive(0), -1);
    EXPECT_EQ(input.mouseExclusive, 0);
    EXPECT_EQ(input.PollKeyboard(), S_OK);
    EXPECT_EQ(input.PollMouse(), S_OK);
    EXPECT_EQ(input.PollJoysticks(), -1);
}

}  // namespace
