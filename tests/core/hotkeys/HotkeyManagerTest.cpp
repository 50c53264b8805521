#include "core/hotkeys/HotkeyManager.h"
#include "fakes/GlobalHotkeysFake.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

const HotkeyCombo comboA{0, 0x1900};
const HotkeyCombo comboW{13, 0x1900};
const HotkeyCombo comboF{3, 0x1900};

class HotkeyManagerTest : public ::testing::Test {
protected:
    GlobalHotkeysFake system;
    HotkeyManager manager{system};
    QList<QString> fired;

    HotkeyManager::Handler record(const QString& name) {
        return [this, name] { fired.append(name); };
    }
};

} // namespace

TEST_F(HotkeyManagerTest, identifiersCountFromOneNeverReused_pressesRunOnALaterTurn) {
    system.refused.insert(comboW);
    EXPECT_EQ(manager.registerCombo(comboA, record(QStringLiteral("a"))), 1u);
    EXPECT_EQ(manager.registerCombo(comboW, record(QStringLiteral("w"))), std::nullopt);
    EXPECT_EQ(manager.registerCombo(comboF, record(QStringLiteral("f"))), 3u);
    // The same combination twice: the first keeps it, the second has none.
    EXPECT_EQ(manager.registerCombo(comboA, record(QStringLiteral("again"))), std::nullopt);
    // The handler runs in a later turn of the event loop.
    EXPECT_TRUE(system.press(comboA));
    EXPECT_TRUE(fired.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, QStringList{QStringLiteral("a")});

    manager.unregisterAll();
    EXPECT_TRUE(system.held.isEmpty());
    EXPECT_EQ(manager.registerCombo(comboA, record(QStringLiteral("a"))), 5u);
}

TEST_F(HotkeyManagerTest, afterUnregisterAll_noFormerCombinationFiresEvenIfAlreadyPressed) {
    manager.registerCombo(comboA, record(QStringLiteral("a")));
    ASSERT_TRUE(system.press(comboA)); // queued, not yet run
    manager.unregisterAll();
    QCoreApplication::processEvents();
    EXPECT_FALSE(system.press(comboA));
    QCoreApplication::processEvents();
    EXPECT_TRUE(fired.isEmpty());
}

TEST_F(HotkeyManagerTest, handlerMayReRegisterEverythingFromInsideItsOwnCall) {
    int reRegistrations = 0;
    std::function<void()> reRegister = [&] {
        ++reRegistrations;
        manager.unregisterAll();
        manager.registerCombo(comboA, reRegister);
    };
    manager.registerCombo(comboA, reRegister);
    ASSERT_TRUE(system.press(comboA));
    QCoreApplication::processEvents();
    EXPECT_EQ(reRegistrations, 1);
    EXPECT_EQ(system.held.keys(), QList<quint32>{2});
}

// A combination without Ctrl, Alt or Super would steal ordinary typing from every program:
// it is never grabbed, and the actions around it keep theirs.
TEST_F(HotkeyManagerTest, plainKeysAndShiftedKeysAreNeverGrabbed) {
    const HotkeyCombo plainA{0, 0};
    const HotkeyCombo shiftA{0, HotkeyCombo::shift};
    const HotkeyCombo controlShiftA{0, HotkeyCombo::control | HotkeyCombo::shift};
    EXPECT_EQ(manager.registerCombo(plainA, [] {}), std::nullopt);
    EXPECT_EQ(manager.registerCombo(shiftA, [] {}), std::nullopt);
    EXPECT_EQ(manager.registerCombo(controlShiftA, [] {}), 3u);
    EXPECT_EQ(system.held.size(), 1);
    EXPECT_TRUE(HotkeyCombo({0, HotkeyCombo::command}).canBeGlobal());
}
