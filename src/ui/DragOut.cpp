#include "ui/DragOut.h"

#include <QMimeData>
#include <QUrl>

namespace drag_out {

QMimeData* mimeData(const QString& path, const QString& fileName) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    data->setText(fileName);
    return data;
}

} // namespace drag_out
