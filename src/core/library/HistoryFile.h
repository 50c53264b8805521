#pragma once

#include "core/library/Screenshot.h"

#include <QFile>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

// The history file on the disk, as the library reads it and tells whether another instance
// has written it since.
namespace history_file {

// The records of the history file; nothing when it is not a readable history (a FIFO, a
// device, a file far too large, bad JSON), `error` then says why. `opened` is left holding
// the file that was read.
std::optional<QList<Screenshot>> read(const QString& path, std::unique_ptr<QFile>& opened,
                                      QString* error);

// Which file the path names now, and in what state: a save by another instance (a new
// file renamed into place) changes it.
QString stamp(const QString& path);
// The state of the very file that was opened, whatever the path names by now.
QString stamp(const QFile& file);

} // namespace history_file
