#include "platform/LaunchAtLogin.h"

#include "core/io/AtomicFile.h"
#include "core/io/GuardedFile.h"
#include "core/services/SystemLog.h"

#include <QDir>
#include <QFile>

namespace {

const QString entryName = QStringLiteral("quillbox.desktop");

// Far more than any desktop entry: anything larger is not one.
constexpr qint64 largestEntryBytes = 64 * 1024;

// Whether the entry's main group switches it off: Hidden=true, or the key GNOME's startup
// applications write, X-GNOME-Autostart-enabled=false.
bool isSwitchedOff(const QByteArray& contents) {
    bool inMainGroup = false;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return true;
    }
    return false;
}

} // namespace

LaunchAtLogin::LaunchAtLogin(SystemLog& log, QString autostartDirectory, QString executable)
    : m_log(log)
    , m_autostartDirectory(std::move(autostartDirectory))
    , m_executable(std::move(executable)) {}

QString LaunchAtLogin::entryPath() const {
    return QDir(m_autostartDirectory).filePath(entryName);
}

bool LaunchAtLogin::isEnabled() const {
    // Whatever stands there (a FIFO, a device, a giant) is read without waiting, or not at all.
    const std::optional<QByteArray> entry = guarded_file::read(entryPath(), largestEntryBytes);
    return entry && !isSwitchedOff(*entry);
}

bool LaunchAtLogin::setEnabled(bool enabled) {
    std::optional<QString> error;
    if (enabled) {
        if (isEnabled())
            return true;
        error = registerEntry();
    } else {
        error = unregisterEntry();
    }
    if (!error)
        return true;
    m_log.write(QStringLiteral("Quillbox: launch at login change failed — ") + *error);
    return false;
}

QString LaunchAtLogin::execValue(const QString& executable) {
    // Quoted as one argument: inside the quotes ", `, $ and \ take a backslash. The value
    // is then a string of the entry, where a backslash is itself escaped, and a field code
    // would start with %.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    QString value;
    for (const QChar c : quoted) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else if (c == u'%')
            value += QStringLiteral("%%");
        else
            value += c;
    }
    return value;
}

std::optional<QString> LaunchAtLogin::registerEntry() const {
    if (!QDir().mkpath(m_autostartDirectory))
        return QStringLiteral("cannot create the folder ") + m_autostartDirectory;
    const QString contents = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Quillbox\n"
                                            "Comment=Screenshot utility for the system tray\n"
                                            "Exec=") +
                             execValue(m_executable) +
                             QStringLiteral("\n"
                                            "Icon=quillbox\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n");
    // Replaces an entry switched off, never something that is not a file.
    QString error;
    if (!atomic_file::write(contents.toUtf8(), entryPath(), &error))
        return error;
    return std::nullopt;
}

std::optional<QString> LaunchAtLogin::unregisterEntry() const {
    QFile entry(entryPath());
    if (!entry.exists())
        return QStringLiteral("Quillbox is not set to launch at login");
    if (!entry.remove())
        return entry.errorString();
    return std::nullopt;
}
