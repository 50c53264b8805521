#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class HotkeyManager;
class SystemLog;

// Ends this run and starts a fresh one, so that a permission granted meanwhile takes
// effect.
class AppLifecycle : public QObject {
    Q_OBJECT
public:
    static constexpr int quitDelayMs = 400;

    struct Collaborators {
        HotkeyManager& hotkeys;
        SystemLog& log;
        // The program's own executable.
        QString executable;
        // Starts the program on its own, not waiting for it; nothing on success, else
        // the reason it did not start.
        std::function<std::optional<QString>(const QString& program)> startDetached =
            startProgramDetached;
        std::function<void()> terminate;
    };

    explicit AppLifecycle(Collaborators collaborators, QObject* parent = nullptr);

    // Lets go of the hot keys so the new instance can take them, starts it, and quits
    // 0.4 s later, also when the start failed.
    void quitAndRelaunch();

    static std::optional<QString> startProgramDetached(const QString& program);

private:
    Collaborators m_collaborators;
};
