// Files captures named "<prefix><n>.png" one after another, continuing from what the
// history already holds: `count` of them, or until it is killed. Says "filing" on its
// standard output once it starts to, and "filed" after each capture.
//   history_writer APPLICATION_SUPPORT [COUNT PREFIX]
#include "LibraryFixture.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 4)
        return 2;
    const qsizetype count = argc == 4 ? QByteArray(argv[2]).toLongLong() : -1;
    const QString prefix = argc == 4 ? QString::fromLocal8Bit(argv[3]) : QString();
    UserDefaultsFake defaults;
    WorkspaceFake workspace;
    PasteboardFake pasteboard;
    SystemLogFake log;
    HistoryManager library({defaults, workspace, pasteboard, log, QString::fromLocal8Bit(argv[1])});
    // Started up: a test that kills it waits for this line, whatever the start-up took.
    std::fputs("filing\n", stdout);
    std::fflush(stdout);
    for (qsizetype n = library.screenshots().size() + 1, filed = 0; count < 0 || filed < count;
         ++n, ++filed) {
        const QString name = prefix + QString::number(n) + QStringLiteral(".png");
        LibraryFixture::writeFile(library.storageDirectory() + QLatin1Char('/') + name, "png");
        if (!library.add(name, ScreenshotKind::area))
            return 1;
        std::fputs("filed\n", stdout);
        std::fflush(stdout);
    }
    return 0;
}
