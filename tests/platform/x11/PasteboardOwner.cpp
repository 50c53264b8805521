// Copies the newest capture of the library in the given Application Support folder to
// the clipboard, says "copied" and keeps serving pastes until it is ended.
#include "core/library/HistoryManager.h"
#include "fakes/SystemLogFake.h"
#include "fakes/UserDefaultsFake.h"
#include "fakes/WorkspaceFake.h"
#include "platform/PasteboardQt.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    UserDefaultsFake defaults;
    WorkspaceFake workspace;
    PasteboardQt pasteboard;
    SystemLogFake log;
    HistoryManager library({defaults, workspace, pasteboard, log, QString::fromLocal8Bit(argv[1])});
    if (library.screenshots().isEmpty())
        return 1;
    library.copyToClipboard(library.screenshots().first(), &app, [](bool copied) {
        std::puts(copied ? "copied" : "not copied");
        std::fflush(stdout);
    });
    return app.exec();
}
