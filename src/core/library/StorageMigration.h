#pragma once

#include "core/library/Screenshot.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

// Moving the captures of a library to another folder, all or none: every file is put in
// the new folder (linked where both folders share a file system, else copied, flushed and
// checked, its modification time kept) before any old one is removed; when one cannot
// be, the ones already put there are removed again and the old folder keeps them all.
// A file of the same name in the new folder is never taken for the capture nor replaced:
// the capture takes the next free name.
namespace storage_migration {

struct Outcome {
    int moved = 0;
    // Captures that took another name in the new folder.
    QHash<QUuid, QString> renamed;
    // Why nothing moved: the capture that could not be put in the new folder, and the
    // system's reason.
    std::optional<QString> failedFile;
    QString reason;
};

// Records whose file is not in `from` are left alone.
Outcome migrate(const QList<Screenshot>& records, const QString& from, const QString& to);

// The n-th name a capture may take: its own for 1, then "name (n).png" for n = 2, 3, …
// when the ones before are taken.
QString numberedName(const QString& fileName, int n);

} // namespace storage_migration
