// The X11 hot-key backend against a real X server (run inside scripts/x11-session.sh).
#include "core/hotkeys/HotkeyManager.h"
#include "platform/x11/GlobalHotkeysX11.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const HotkeyCombo controlOptionCommand(quint32 keyCode) {
    return {keyCode, HotkeyCombo::control | HotkeyCombo::option | HotkeyCombo::command};
}

void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << "xdotool failed";
}

bool lockIsOn(const QString& name) {
    QProcess xset;
    xset.start(QStringLiteral("xset"), {QStringLiteral("q")});
    xset.waitForFinished();
    const QString out = QString::fromLocal8Bit(xset.readAllStandardOutput());
    return out.contains(QRegularExpression(name + QStringLiteral(":\\s+on")));
}

// Another X client holding one combination.
class Holder {
public:
    explicit Holder(const HotkeyCombo& combo) {
        m_process.start(QStringLiteral(QUILLBOX_HOTKEY_HOLDER),
                        {QString::number(combo.keyCode), QString::number(combo.modifiers)});
        m_process.waitForReadyRead(10000);
        m_answer = QString::fromLatin1(m_process.readLine()).trimmed();
    }
    ~Holder() {
        m_process.kill();
        m_process.waitForFinished();
    }
    const QString& answer() const { return m_answer; }

private:
    QProcess m_process;
    QString m_answer;
};

class GlobalHotkeysX11Test : public ::testing::Test {
protected:
    GlobalHotkeysX11 system;
    HotkeyManager manager{system};
    QStringList fired;

    HotkeyManager::Handler record(const QString& name) {
        return [this, name] { fired.append(name); };
    }
    bool waitFired(int count) {
        return QTest::qWaitFor([&] { return fired.size() >= count; }, 5000);
    }
};

} // namespace

TEST_F(GlobalHotkeysX11Test, firesOnKeyPressAlsoWithNumLockAndCapsLockOn) {
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(3), record(QStringLiteral("f"))));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+f")});
    ASSERT_TRUE(waitFired(1));

    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    ASSERT_TRUE(lockIsOn(QStringLiteral("Num Lock")));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+f")});
    const bool withNumLock = waitFired(2);
    xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+f")});
    const bool withBoth = waitFired(3);
    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock"), QStringLiteral("Caps_Lock")});
    EXPECT_TRUE(withNumLock);
    EXPECT_TRUE(withBoth);
    EXPECT_FALSE(lockIsOn(QStringLiteral("Num Lock")));
}

TEST_F(GlobalHotkeysX11Test, stopsFiringAfterUnregisterAll) {
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(3), record(QStringLiteral("f"))));
    manager.unregisterAll();
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(5), record(QStringLiteral("g"))));
    // Presses arrive in order: once G has fired, an F would have fired before it.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+f"),
             QStringLiteral("ctrl+alt+super+g")});
    ASSERT_TRUE(waitFired(1));
    EXPECT_EQ(fired, QStringList{QStringLiteral("g")});
}

TEST_F(GlobalHotkeysX11Test, combinationHeldByAnotherClientIsRefusedAndLeavesNoGrab) {
    const HotkeyCombo comboJ = controlOptionCommand(38);
    {
        Holder other(comboJ);
        ASSERT_EQ(other.answer(), QStringLiteral("held"));
        EXPECT_EQ(manager.registerCombo(comboJ, record(QStringLiteral("j"))), std::nullopt);
    }
    // Had the refused registration kept any lock-key variant, this client would be refused.
    {
        Holder again(comboJ);
        EXPECT_EQ(again.answer(), QStringLiteral("held"));
    }
    // And once the other client is gone, the combination is ours.
    EXPECT_TRUE(manager.registerCombo(comboJ, record(QStringLiteral("j"))));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+super+j")});
    EXPECT_TRUE(waitFired(1));
}

TEST_F(GlobalHotkeysX11Test, keyMissingFromTheKeymapIsRefused) {
    // F20 has no keycode in the default keymap of Xvfb.
    EXPECT_EQ(manager.registerCombo({90, HotkeyCombo::control}, record(QStringLiteral("x"))),
              std::nullopt);
}
