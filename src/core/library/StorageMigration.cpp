#include "core/library/StorageMigration.h"

#include "core/io/PlaceFile.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage_migration {
namespace {

QString joined(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

void syncFolder(const QString& folder) {
    Descriptor dir{::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

} // namespace

QString numberedName(const QString& fileName, int n) {
    const QString extension = QStringLiteral(".png");
    const QString stem =
        fileName.endsWith(extension) ? fileName.chopped(extension.size()) : fileName;
    const QString numbered = stem + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
    return fileName.endsWith(extension) ? numbered + extension : numbered;
}

Outcome migrate(const QList<Screenshot>& records, const QString& from, const QString& to) {
    Outcome outcome;
    QStringList sources;
    QStringList placed;
    for (const Screenshot& record : records) {
        const QString source = joined(from, record.fileName());
        struct stat info {};
        if (::lstat(encoded(source).constData(), &info) != 0)
            continue; // nothing to move
        QString name;
        const QString error = place_file::place(
            source, to,
            [&record](int n) {
                return n == 1 ? record.fileName() : numberedName(record.fileName(), n);
            },
            place_file::Source::keep, &name);
        if (!error.isEmpty()) {
            for (const QString& done : std::as_const(placed))
                ::unlink(encoded(done).constData());
            return {0, {}, record.fileName(), error};
        }
        sources.append(source);
        placed.append(joined(to, name));
        if (name != record.fileName())
            outcome.renamed.insert(record.id(), name);
    }
    syncFolder(to);
    for (const QString& source : std::as_const(sources))
        ::unlink(encoded(source).constData());
    outcome.moved = int(sources.size());
    return outcome;
}

} // namespace storage_migration
