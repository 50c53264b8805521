#include "editor/AnnotationExporter.h"

#include "core/io/AtomicFile.h"
#include "core/library/HistoryManager.h"
#include "core/library/ImageDidChangeNotification.h"
#include "core/services/Pasteboard.h"
#include "editor/EditorModel.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

namespace {

QByteArray tiffOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    if (!writer.write(image))
        return {};
    return bytes;
}

} // namespace

AnnotationExporter::AnnotationExporter(EditorModel& model, HistoryManager& library,
                                       Pasteboard& pasteboard, Screenshot screenshot)
    : m_model(model)
    , m_library(library)
    , m_pasteboard(pasteboard)
    , m_screenshot(std::move(screenshot)) {}

void AnnotationExporter::copyToClipboard() {
    m_model.commitText();
    const std::optional<QByteArray> png = m_model.renderPNG();
    const QImage image = png ? QImage::fromData(*png, "PNG") : QImage();
    if (image.isNull()) {
        m_model.showStatus(QStringLiteral("Copy failed"));
        return;
    }
    QList<Pasteboard::Representation> item{{QStringLiteral("image/png"), *png}};
    const QByteArray tiff = tiffOf(image);
    if (!tiff.isEmpty())
        item.append({QStringLiteral("image/tiff"), tiff});
    m_pasteboard.write(item);
    m_model.showStatus(QStringLiteral("Copied to clipboard"), copiedClearDelayMs);
}

void AnnotationExporter::saveCopy() {
    const std::optional<QByteArray> png = renderForSaving();
    if (!png)
        return;
    // A new capture goes only where the library files them.
    if (const auto problem = m_library.prepareStorageDirectory()) {
        m_model.showStatus(QStringLiteral("Save failed: ") + problem->message);
        return;
    }
    const HistoryManager::ReservedFile reserved = m_library.newFileURL();
    QString error;
    if (!atomic_file::write(*png, reserved.path, &error)) {
        m_library.releaseReservedFileName(reserved.fileName);
        m_model.showStatus(failedSaveStatus(error, reserved.path));
        return;
    }
    std::optional<Screenshot> filed;
    m_library.add(reserved.fileName, m_screenshot.kind(), &filed);
    if (!filed) {
        m_model.showStatus(QStringLiteral("Save failed: the copy could not be put in the "
                                          "screenshots folder"));
        return;
    }
    m_model.showStatus(QStringLiteral("Saved copy as ") + filed->fileName());
}

std::optional<QByteArray> AnnotationExporter::renderForSaving() {
    m_model.commitText();
    std::optional<QByteArray> png = m_model.renderPNG();
    if (!png)
        m_model.showStatus(QStringLiteral("Failed to render image"));
    return png;
}

QString AnnotationExporter::failedSaveStatus(const QString& error, const QString& path) {
    const QString prefix = QStringLiteral("Save failed: ");
    if (path.isEmpty() || !error.contains(path))
        return prefix + error;
    QString reason = error;
    reason.remove(path);
    return prefix + reason.simplified() + QStringLiteral(": ") + path;
}

void AnnotationExporter::overwriteOriginal() {
    const std::optional<QByteArray> png = renderForSaving();
    if (!png)
        return;
    QString error;
    const QString path = m_library.fileURL(m_screenshot);
    if (!atomic_file::write(*png, path, &error)) {
        m_model.showStatus(failedSaveStatus(error, path));
        return;
    }
    // The list is unchanged: only the views showing this capture reload.
    ImageDidChangeNotification::center().post(m_screenshot.id());
    m_model.showStatus(QStringLiteral("Saved"), savedClearDelayMs);
}
