#pragma once

#include <QStringList>

// What may stand where the program expects a file of its own: each kind once hung, crashed
// or flooded a reader. Every reader is run over all of them.
namespace hostile_files {

// "link to /dev/zero", "FIFO", "sparse giant" (1 GB of nothing), "folder",
// "huge-dimension PNG" (20000 × 20000 pixels in 1.2 MB: 1.6 GB once decoded).
QStringList kinds();

// Puts a file of that kind at `path`, replacing whatever is there; false when it cannot.
bool place(const QString& kind, const QString& path);

// Places each kind at `path` in turn and calls `check(kind)` after each.
template <typename Check> void eachAt(const QString& path, Check check) {
    for (const QString& kind : kinds()) {
        if (place(kind, path))
            check(kind);
    }
}

} // namespace hostile_files
