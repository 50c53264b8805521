#pragma once

#include <QString>

class QMimeData;

namespace drag_out {

// What a capture's file carries when dragged out of Quillbox: its URL as text/uri-list,
// which file managers, upload fields and image editors take, and its name as text/plain
// and as the suggested file name.
// A file that is gone still drags with its URL and name.
QMimeData* mimeData(const QString& path, const QString& fileName);

} // namespace drag_out
