#pragma once

#include <QString>
#include <functional>

// Putting a finished file where it belongs without ever replacing one that is there: of two
// processes placing files under one name at once, one gets it and the other the next name.
namespace place_file {

enum class Source {
    keep,   // a second name for the file where the file system has them, else a copy
    remove, // moved in one step where the file system can, else as `keep`, then removed
};

// Puts the file at `source` into `folder` under the first of nameFor(1), nameFor(2), …
// that is free; `placed` gets that name. A copy is flushed to the disk and checked, and
// keeps the source's times; a failed one is removed. Empty on success, else the system's
// reason ("No space left on device").
QString place(const QString& source, const QString& folder,
              const std::function<QString(int)>& nameFor, Source how, QString* placed);

// `name` in `folder`, one slash between them.
QString joined(const QString& folder, const QString& name);

// Writes the folder's own entries (the names placed in it) to the disk.
void syncFolder(const QString& folder);

} // namespace place_file
