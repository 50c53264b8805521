#pragma once

#include "core/library/HistoryManager.h"
#include "fakes/PasteboardFake.h"
#include "fakes/SystemLogFake.h"
#include "fakes/UserDefaultsFake.h"
#include "fakes/WorkspaceFake.h"

#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A library in a temporary Application Support folder with fake platform services
// and a clock the test sets.
class LibraryFixture {
public:
    // Builds (or rebuilds, as a new run of the program would) the library.
    HistoryManager& library();
    HistoryManager& restart();

    QString appSupport() const { return m_dir.path(); }
    QString historyPath() const { return m_dir.path() + QStringLiteral("/Quillbox/history.json"); }
    // Histories that could not be read, kept aside next to the history file.
    QStringList setAsideHistories() const;
    QString screenshotsPath() const {
        return m_dir.path() + QStringLiteral("/Quillbox/screenshots");
    }

    // Writes a small real PNG at the path (folders created as needed).
    static void writePng(const QString& path, QColor color = Qt::red, QSize size = {4, 3});
    static QByteArray readFile(const QString& path);
    // Files a capture the way the program does (a name reserved, the PNG written, added)
    // and returns its entry; without a picture, one of a single colour.
    Screenshot capture(const QImage& picture, ScreenshotKind kind = ScreenshotKind::area);
    Screenshot capture(ScreenshotKind kind = ScreenshotKind::area, QSize size = {4, 3},
                       QColor color = Qt::red);
    static void writeFile(const QString& path, const QByteArray& bytes);
    // A shell script of `body` that the owner may run.
    static void writeScript(const QString& path, const QByteArray& body);

    QTemporaryDir m_dir;
    UserDefaultsFake defaults;
    WorkspaceFake workspace;
    PasteboardFake pasteboard;
    SystemLogFake log;
    QDateTime now = QDateTime(QDate(2025, 3, 3), QTime(9, 5, 7));
    // Where the library keeps its data when not in the temporary folder (a tiny disk).
    QString dataHome;
    // What the library told the user, message and details joined by a line break.
    QStringList problems;

private:
    std::unique_ptr<HistoryManager> m_library;
};
