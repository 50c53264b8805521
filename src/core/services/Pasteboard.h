#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// The general clipboard. One item whose representations are offered as already
// encoded bytes, so that a paste never re-encodes on the GUI thread.
class Pasteboard {
public:
    using Representation = std::pair<QString, QByteArray>; // MIME type, bytes
    virtual ~Pasteboard() = default;
    // Clears the clipboard and offers the item.
    virtual void write(const QList<Representation>& representations) = 0;
};
