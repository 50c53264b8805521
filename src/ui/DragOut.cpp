#include "ui/DragOut.h"

#include <QMimeData>
#include <QUrl>

namespace drag_out {

QMimeData* mimeData(const QString& path, const QString& fileName) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    data->setText(fileName);
    // The name a drop target that saves the data should give the file.
    data->setData(QStringLiteral("application/x-kde-suggestedfilename"), fileName.toUtf8());
    return data;
}

} // namespace drag_out
