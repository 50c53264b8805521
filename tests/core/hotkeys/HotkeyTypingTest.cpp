#include "core/hotkeys/HotkeyManager.h"
#include "fakes/GlobalHotkeysFake.h"

#include <gtest/gtest.h>

// A combination without Ctrl, Alt or Super would steal ordinary typing from every program:
// it is never grabbed, and the actions around it keep theirs.
TEST(HotkeyTyping, plainKeysAndShiftedKeysAreNeverGrabbed) {
    GlobalHotkeysFake system;
    HotkeyManager manager(system);
    const HotkeyCombo plainA{0, 0};
    const HotkeyCombo shiftA{0, HotkeyCombo::shift};
    const HotkeyCombo controlShiftA{0, HotkeyCombo::control | HotkeyCombo::shift};
    EXPECT_EQ(manager.registerCombo(plainA, [] {}), std::nullopt);
    EXPECT_EQ(manager.registerCombo(shiftA, [] {}), std::nullopt);
    EXPECT_EQ(manager.registerCombo(controlShiftA, [] {}), 3u);
    EXPECT_EQ(system.held.size(), 1);
    EXPECT_FALSE(shiftA.canBeGlobal());
    EXPECT_TRUE(HotkeyCombo({0, HotkeyCombo::command}).canBeGlobal());
}
