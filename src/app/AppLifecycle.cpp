#include "app/AppLifecycle.h"

#include "core/hotkeys/HotkeyManager.h"
#include "core/services/SystemLog.h"

#include <QProcess>
#include <QTimer>

AppLifecycle::AppLifecycle(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {}

void AppLifecycle::quitAndRelaunch() {
    m_collaborators.hotkeys.unregisterAll();
    if (const auto error = m_collaborators.startDetached(m_collaborators.executable))
        m_collaborators.log.write(QStringLiteral("Quillbox: relaunch failed — ") + *error);
    QTimer::singleShot(quitDelayMs, this, [this] {
        if (m_collaborators.terminate)
            m_collaborators.terminate();
    });
}

std::optional<QString> AppLifecycle::startProgramDetached(const QString& program) {
    // The path is the program itself, never split on spaces or read by a shell.
    QProcess process;
    process.setProgram(program);
    if (process.startDetached())
        return std::nullopt;
    return process.errorString();
}
