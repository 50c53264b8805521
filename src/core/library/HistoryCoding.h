#pragma once

#include "core/library/Screenshot.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The history file's JSON: an array of records, compact, keys in the order
// "id", "fileName", "timestamp", "kind".
namespace history_coding {

QByteArray encode(const QList<Screenshot>& screenshots);

// Fails as a whole on any bad record; `error` says which and why.
std::optional<QList<Screenshot>> decode(const QByteArray& json, QString* error = nullptr);

// A name inside the storage folder and nothing else: a crafted record must never
// lead a delete outside it.
bool isPlainFileName(const QString& fileName);

} // namespace history_coding
