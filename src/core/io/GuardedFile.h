#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>

// The one way the program reads a file the user's folders hold (captures, the history,
// the autostart entry): whatever stands at the path, the read ends. A FIFO, a device, a
// folder or a link to one is refused without being opened for reading, and so is a file
// larger than its content can be; reads never go past `maxBytes`, however the file grows.
namespace guarded_file {

// The file opened for reading, or nothing with `error` saying why ("it is not a regular
// file", "it is larger than any …", or the system's reason).
std::unique_ptr<QFile> open(const QString& path, qint64 maxBytes, QString* error = nullptr);

// The whole file, read through `open`.
std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* error = nullptr);

// The rest of an opened file, at most `maxBytes` in all.
std::optional<QByteArray> readAll(QFile& file, qint64 maxBytes, QString* error = nullptr);

} // namespace guarded_file
