// Runs one scrolling capture of a region with the real X11 services and prints the path
// of the file it filed, or "none".
//   scroll_driver X Y WIDTH HEIGHT
#include "DriverServices.h"
#include "capture/ScrollingCaptureManager.h"
#include "fakes/AlertsFake.h"
#include "platform/x11/EscapeKeyMonitorX11.h"
#include "platform/x11/InputSynthesizerXTest.h"
#include "platform/x11/RegionGrabberX11.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return 2;
    const QRectF region(args[1].toDouble(), args[2].toDouble(), args[3].toDouble(),
                        args[4].toDouble());

    DriverServices services;
    HistoryManager& library = services.library;
    AlertsFake alerts;
    alerts.answer = 1;
    InputSynthesizerXTest input;
    RegionGrabberX11 grabber;
    EscapeKeyMonitorX11 escape;
    ScrollingCaptureManager manager({library, services.sound, alerts, input, grabber, escape});

    QObject::connect(&manager, &ScrollingCaptureManager::hudTextChanged, &app,
                     [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    QObject::connect(&manager, &ScrollingCaptureManager::finished, &app, [&] {
        const QString path = library.screenshots().isEmpty()
                                 ? QStringLiteral("none")
                                 : library.fileURL(library.screenshots().first());
        std::printf("%s\n", qPrintable(path));
        app.quit();
    });
    QTimer::singleShot(0, &manager, [&] {
        if (manager.ensureAccessibilityPermission())
            manager.begin(region);
        else
            app.exit(1);
    });
    const int status = app.exec();
    for (const auto& alert : alerts.shown)
        std::fprintf(stderr, "alert: %s\n", qPrintable(alert.messageText));
    return status;
}
