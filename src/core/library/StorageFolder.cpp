#include "core/library/StorageFolder.h"

#include "core/io/SystemError.h"
#include "core/services/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace storage_folder {

QString identity(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return {};
    return QString::number(info.st_dev) + QLatin1Char(':') + QString::number(info.st_ino);
}

QString deviceOf(const QString& identity) {
    return identity.section(QLatin1Char(':'), 0, 0);
}

QString create(const QString& path) {
    if (QDir(path).exists())
        return {};
    // The reason of the step that failed: the folder's parents are made one by one.
    QString made;
    for (const QString& part : QDir::cleanPath(path).split(QLatin1Char('/'))) {
        made += part.isEmpty() && made.isEmpty() ? QStringLiteral("/") : part + QLatin1Char('/');
        if (part.isEmpty())
            continue;
        if (::mkdir(QFile::encodeName(made).constData(), 0777) != 0 && errno != EEXIST)
            return systemError(errno);
    }
    return QDir(path).exists() ? QString() : systemError(ENOTDIR);
}

QString whyNotWritable(const QString& path) {
    if (::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0)
        return {};
    return systemError(errno);
}

namespace {

// The identity remembered for `folder`: one taken of another path (a setting changed by
// hand) counts as none.
QString remembered(UserDefaults& defaults, const QString& folder) {
    const QString stored = defaults.value(QLatin1String(identityKey)).toString();
    return stored.section(QLatin1Char(':'), 2) == folder ? stored.section(QLatin1Char(':'), 0, 1)
                                                         : QString();
}

void store(UserDefaults& defaults, const QString& folder, const QString& identity) {
    const QString value = identity + QLatin1Char(':') + folder;
    if (defaults.value(QLatin1String(identityKey)).toString() != value)
        defaults.setValue(QLatin1String(identityKey), value);
}

} // namespace

State state(UserDefaults& defaults, const QString& folder, bool ours,
            const std::function<bool()>& holdsRecords) {
    const QString current = identity(folder);
    if (current.isEmpty())
        return State::missing;
    const QString stored = remembered(defaults, folder);
    if (stored == current)
        return State::present;
    const bool sameFileSystem = stored.isEmpty() ? ours : deviceOf(stored) == deviceOf(current);
    if (!sameFileSystem && !holdsRecords())
        return State::away;
    store(defaults, folder, current);
    return State::present;
}

void remember(UserDefaults& defaults, const QString& folder) {
    if (const QString current = identity(folder); !current.isEmpty())
        store(defaults, folder, current);
}

} // namespace storage_folder
