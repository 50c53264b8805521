#include "platform/PasteboardQt.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void PasteboardQt::write(const QList<Representation>& representations) {
    auto* data = new QMimeData;
    for (const auto& [type, bytes] : representations)
        data->setData(type, bytes);
    QGuiApplication::clipboard()->setMimeData(data); // the clipboard takes ownership
}
