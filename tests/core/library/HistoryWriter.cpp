// Files captures one after another, continuing from what the history already holds, until
// it is killed, named "<n>.png"; or, given a count, that many named by the library as
// captures are, all in one second, each file holding "<prefix><n>", once a file "go" is in
// APPLICATION_SUPPORT, so that two writers run side by side. Says "filing" on its standard
// output once it starts to, and "filed" after each capture.
//   history_writer APPLICATION_SUPPORT [COUNT PREFIX]
#include "LibraryFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 4)
        return 2;
    const bool reserve = argc == 4;
    const qsizetype count = reserve ? QByteArray(argv[2]).toLongLong() : -1;
    const QString prefix = reserve ? QString::fromLocal8Bit(argv[3]) : QString();
    UserDefaultsFake defaults;
    WorkspaceFake workspace;
    PasteboardFake pasteboard;
    SystemLogFake log;
    const QDateTime second(QDate(2025, 3, 3), QTime(9, 5, 7));
    HistoryManager library({defaults, workspace, pasteboard, log, QString::fromLocal8Bit(argv[1]),
                            [second] { return second; }});
    // Started up: a test that kills it waits for this line, whatever the start-up took.
    std::fputs("filing\n", stdout);
    std::fflush(stdout);
    while (reserve && !QFile::exists(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/go")))
        QThread::usleep(500);
    for (qsizetype n = library.screenshots().size() + 1, filed = 0; count < 0 || filed < count;
         ++n, ++filed) {
        QString name = prefix + QString::number(n) + QStringLiteral(".png");
        QString path = library.storageDirectory() + QLatin1Char('/') + name;
        if (reserve) {
            const HistoryManager::ReservedFile reserved = library.newFileURL();
            name = reserved.fileName;
            path = reserved.path;
        }
        LibraryFixture::writeFile(path, (prefix + QString::number(n)).toUtf8());
        if (!library.add(name, ScreenshotKind::area))
            return 1;
        std::fputs("filed\n", stdout);
        std::fflush(stdout);
    }
    return 0;
}
