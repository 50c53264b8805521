// The X11 hot-key backend against a real X server (run inside scripts/x11-session.sh).
#include "core/hotkeys/HotkeyManager.h"
#include "fakes/SystemLogFake.h"
#include "platform/x11/GlobalHotkeysX11.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const HotkeyCombo controlOptionCommand(quint32 keyCode) {
    return {keyCode, HotkeyCombo::control | HotkeyCombo::option | HotkeyCombo::command};
}

// Runs xdotool, e.g. xdotool("key ctrl+alt+super+f").
void xdotool(const char* arguments) {
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("xdotool"), QString::fromLatin1(arguments).split(u' ')), 0)
        << "xdotool failed";
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
    SystemLogFake log;
    GlobalHotkeysX11 system{&log};
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

TEST_F(GlobalHotkeysX11Test, firesOnKeyPressAlsoWithNumLockAndCapsLockOnAndForKeypadKeys) {
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(3), record(QStringLiteral("f"))));
    xdotool("key ctrl+alt+super+f");
    ASSERT_TRUE(waitFired(1));

    xdotool("key Num_Lock");
    ASSERT_TRUE(lockIsOn(QStringLiteral("Num Lock")));
    xdotool("key ctrl+alt+super+f");
    const bool withNumLock = waitFired(2);
    xdotool("key Caps_Lock");
    xdotool("key ctrl+alt+super+f");
    const bool withBoth = waitFired(3);
    xdotool("key Num_Lock Caps_Lock");
    EXPECT_TRUE(withNumLock);
    EXPECT_TRUE(withBoth);
    EXPECT_FALSE(lockIsOn(QStringLiteral("Num Lock")));

    // Keypad and Insert keys too.
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(83), record(QStringLiteral("kp1"))));
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(114), record(QStringLiteral("ins"))));
    xdotool("key ctrl+alt+super+KP_1 ctrl+alt+super+Insert");
    ASSERT_TRUE(waitFired(5));
    EXPECT_EQ(fired.mid(3), (QStringList{QStringLiteral("kp1"), QStringLiteral("ins")}));
}

TEST_F(GlobalHotkeysX11Test, missingKeyHeldCombinationOrOneAlreadyOursIsRefused) {
    // F20 has no keycode in the default keymap of Xvfb; 200 stands for no key at all. Each
    // is logged, once.
    for (int i = 0; i < 2; ++i) {
        for (const quint32 keyCode : {90u, 200u})
            EXPECT_EQ(
                manager.registerCombo({keyCode, HotkeyCombo::control}, record(QStringLiteral("x"))),
                std::nullopt);
    }
    ASSERT_EQ(log.lines.size(), 2);
    EXPECT_TRUE(log.lines[0].contains(QStringLiteral(" 90 is on no key of this keyboard")));
    EXPECT_TRUE(log.lines[1].contains(QStringLiteral(" 200 stands for no key")));
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
    xdotool("key ctrl+alt+super+j");
    EXPECT_TRUE(waitFired(1));
    const HotkeyCombo comboK = controlOptionCommand(40);
    ASSERT_TRUE(manager.registerCombo(comboK, record(QStringLiteral("first"))));
    // The server would let one client take it twice; the second holder must not get it.
    EXPECT_EQ(manager.registerCombo(comboK, record(QStringLiteral("second"))), std::nullopt);
    xdotool("key ctrl+alt+super+k");
    ASSERT_TRUE(waitFired(2));
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, (QStringList{QStringLiteral("j"), QStringLiteral("first")}));
}

TEST_F(GlobalHotkeysX11Test, holdingTheCombinationDownFiresOncePerPress_noneAfterUnregisterAll) {
    const auto pressFThenG = [&](int count) {
        xdotool("key ctrl+alt+super+f ctrl+alt+super+g");
        // Presses arrive in order: once G has fired, an F would have fired before it.
        return QTest::qWaitFor([&] { return fired.count(QStringLiteral("g")) == count; }, 5000);
    };
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(3), record(QStringLiteral("f"))));
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(5), record(QStringLiteral("g"))));
    xdotool("keydown ctrl+alt+super+f");
    // Held well past the keyboard's auto-repeat delay.
    QTest::qWait(1200);
    xdotool("keyup ctrl+alt+super+f");
    ASSERT_TRUE(pressFThenG(1));
    EXPECT_EQ(fired, (QStringList{QStringLiteral("f"), QStringLiteral("f"), QStringLiteral("g")}));

    manager.unregisterAll();
    ASSERT_TRUE(manager.registerCombo(controlOptionCommand(5), record(QStringLiteral("g"))));
    ASSERT_TRUE(pressFThenG(2));
    EXPECT_EQ(fired.count(QStringLiteral("f")), 2);
}
