// Files captures named "<n>.png" one after another, continuing from what the
// history already holds, until it is killed.
#include "LibraryFixture.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    UserDefaultsFake defaults;
    WorkspaceFake workspace;
    PasteboardFake pasteboard;
    SystemLogFake log;
    HistoryManager library({defaults, workspace, pasteboard, log, QString::fromLocal8Bit(argv[1])});
    for (qsizetype n = library.screenshots().size() + 1;; ++n) {
        const QString name = QString::number(n) + QStringLiteral(".png");
        LibraryFixture::writeFile(library.storageDirectory() + QLatin1Char('/') + name, "png");
        library.add(name, ScreenshotKind::area);
    }
}
