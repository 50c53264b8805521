// Files a white capture of the given size in the library and opens it in its editor window
// through the editor controller, as the thumbnail and the history cards do. Prints, one a
// line on stdout: "fitted X Y W H IW IH" (the image on the canvas, in the window's own
// coordinates, then the image's size), "file PATH", "mark X0 Y0 X1 Y1 WIDTH" for each new
// mark, "status TEXT" and "closed"; it quits when the window has closed.
//   editor_driver WIDTH HEIGHT
#include "DriverServices.h"
#include "core/ActivationPolicy.h"
#include "editor/AnnotationCanvas.h"
#include "editor/AnnotationEditorController.h"
#include "editor/AnnotationEditorView.h"
#include "editor/EditorWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;

    DriverServices services;
    HistoryManager& library = services.library;
    ActivationPolicy policy;
    policy.setActivationPolicy(ActivationPolicy::Policy::accessory);
    AnnotationEditorController controller(
        {library, policy, services.sound, services.pasteboard, []() -> std::optional<QRectF> {
             return QRectF(QGuiApplication::primaryScreen()->availableGeometry());
         }});

    const auto reserved = library.newFileURL();
    QImage white(args[1].toInt(), args[2].toInt(), QImage::Format_RGB32);
    white.fill(Qt::white);
    if (!white.save(reserved.path, "PNG"))
        return 1;
    library.add(reserved.fileName, ScreenshotKind::area);
    const Screenshot screenshot = library.screenshots().first();
    say(QStringLiteral("file ") + library.fileURL(screenshot));

    // The file is read off the GUI thread: the window comes once it has been.
    QEventLoop reading;
    QObject::connect(&controller, &AnnotationEditorController::openFinished, &reading,
                     &QEventLoop::quit);
    controller.open(screenshot);
    reading.exec();
    EditorWindow* window = controller.window(screenshot.id());
    if (!window)
        return 1;
    AnnotationEditorView& view = *window->editor();
    QObject::connect(&view, &AnnotationEditorView::annotationsChanged, &app, [&view] {
        if (view.annotations().isEmpty())
            return;
        const Annotation& mark = view.annotations().last();
        say(QString::asprintf("mark %g %g %g %g %g", mark.start().x(), mark.start().y(),
                              mark.end().x(), mark.end().y(), mark.lineWidth()));
    });
    QObject::connect(&view, &AnnotationEditorView::statusMessageChanged, &app, [&view] {
        say(QStringLiteral("status ") + view.statusMessage().value_or(QString()));
    });
    QObject::connect(&policy, &ActivationPolicy::activationPolicyChanged, &app,
                     [&controller, &app] {
                         if (controller.windowCount() == 0) {
                             say(QStringLiteral("closed"));
                             QTimer::singleShot(0, &app, &QCoreApplication::quit);
                         }
                     });
    // Once the canvas has its size: where the image sits in the window.
    QTimer::singleShot(0, &view, [&view, window] {
        const QRectF fitted = view.canvas().fittedRect();
        const QPointF origin = view.canvas().mapTo(window, fitted.topLeft());
        const QSizeF image = view.model().imagePixelSize();
        say(QString::asprintf("fitted %g %g %g %g %g %g", origin.x(), origin.y(), fitted.width(),
                              fitted.height(), image.width(), image.height()));
    });
    return app.exec();
}
