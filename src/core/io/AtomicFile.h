#pragma once

#include <QByteArray>
#include <QString>

// The one way the program replaces a file: the PNG writer, the history and the editor's
// saves all go through it.
namespace atomic_file {

// Replaces the file at `path` by `bytes` in one step: a reader sees the old file or the
// new one, never a part of either. Every step is checked, a full disk included: on any
// failure the old file stays as it was, nothing partial is left beside it, and `error`
// says why (e.g. "No space left on device"). A path that exists and is not a regular
// file (a folder, a device, a FIFO, a socket) is refused, never replaced.
bool write(const QByteArray& bytes, const QString& path, QString* error = nullptr);

} // namespace atomic_file
