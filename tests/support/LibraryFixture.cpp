#include "LibraryFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

HistoryManager& LibraryFixture::library() {
    if (!m_library)
        restart();
    return *m_library;
}

HistoryManager& LibraryFixture::restart() {
    m_library.reset();
    m_library = std::make_unique<HistoryManager>(HistoryManager::Collaborators{
        defaults, workspace, pasteboard, log, dataHome.isEmpty() ? m_dir.path() : dataHome,
        [this] { return now; },
        [this](const QString& message, const QString& details) {
            problems.append(message + QLatin1Char('\n') + details);
        }});
    return *m_library;
}

QStringList LibraryFixture::setAsideHistories() const {
    return QDir(QFileInfo(historyPath()).absolutePath())
        .entryList({QStringLiteral("history.json.unreadable-*")},
                   QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
}

void LibraryFixture::writePng(const QString& path, QColor color, QSize size) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    image.save(path, "PNG");
}

Screenshot LibraryFixture::capture(const QImage& picture, ScreenshotKind kind) {
    const auto reserved = library().newFileURL();
    QDir().mkpath(QFileInfo(reserved.path).absolutePath());
    picture.save(reserved.path, "PNG");
    library().add(reserved.fileName, kind);
    return library().screenshots().first();
}

Screenshot LibraryFixture::capture(ScreenshotKind kind, QSize size, QColor color) {
    QImage picture(size, QImage::Format_ARGB32);
    picture.fill(color);
    return capture(picture, kind);
}

QByteArray LibraryFixture::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void LibraryFixture::writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

void LibraryFixture::writeScript(const QString& path, const QByteArray& body) {
    writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
