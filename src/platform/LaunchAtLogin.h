#pragma once

#include <QString>
#include <optional>

class SystemLog;

// Starting Quillbox at login through the desktop's XDG autostart folder: the entry
// "quillbox.desktop" there, which counts as enabled while it exists and is neither hidden
// nor switched off the way GNOME does it.
class LaunchAtLogin {
public:
    // `autostartDirectory` is $XDG_CONFIG_HOME/autostart; `executable` the absolute path of
    // the program the entry starts.
    LaunchAtLogin(SystemLog& log, QString autostartDirectory, QString executable);

    QString entryPath() const;
    bool isEnabled() const;
    // True when the desktop now has the requested state; a failure is logged.
    bool setEnabled(bool enabled);

    // The program's path as one argument of the entry's Exec key.
    static QString execValue(const QString& executable);

private:
    // Nothing on success, else the reason.
    std::optional<QString> registerEntry() const;
    std::optional<QString> unregisterEntry() const;

    SystemLog& m_log;
    QString m_autostartDirectory;
    QString m_executable;
};
