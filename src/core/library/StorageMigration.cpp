#include "core/library/StorageMigration.h"

#include "core/io/PlaceFile.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace storage_migration {
namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

QString numberedName(const QString& fileName, int n) {
    if (n == 1)
        return fileName;
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
        const QString source = place_file::joined(from, record.fileName());
        struct stat info {};
        if (::lstat(encoded(source).constData(), &info) != 0)
            continue; // nothing to move
        QString name;
        const QString error = place_file::place(
            source, to, [&record](int n) { return numberedName(record.fileName(), n); },
            place_file::Source::keep, &name);
        if (!error.isEmpty()) {
            for (const QString& done : std::as_const(placed))
                ::unlink(encoded(done).constData());
            return {0, {}, record.fileName(), error};
        }
        sources.append(source);
        placed.append(place_file::joined(to, name));
        if (name != record.fileName())
            outcome.renamed.insert(record.id(), name);
    }
    place_file::syncFolder(to);
    for (const QString& source : std::as_const(sources))
        ::unlink(encoded(source).constData());
    outcome.moved = int(sources.size());
    return outcome;
}

} // namespace storage_migration
