#include "quillbox-capture/InteractiveCapture.h"

#include "platform/KeyboardGrab.h"
#include "quillbox-capture/SelectionOverlay.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QScreen>
#include <memory>
#include <vector>

std::optional<Pick> pickOnFrozenScreen(SelectionSession::Mode mode, const QImage& frozen,
                                       const QList<WindowList::Window>& windows) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> monitors, shown;
    for (const QScreen* screen : screens) {
        monitors.append(selection::Monitor::of(screen).device);
        shown.append(monitors.back().intersected(frozen.rect()));
    }
    SelectionSession session(mode, shown, SelectionSession::Bounds::cut, windows);
    std::optional<Pick> result;
    QEventLoop loop;
    QObject::connect(&session, &SelectionSession::selected, &loop, [&](QRect rect) {
        result = Pick{rect, std::nullopt};
        if (session.picked() && session.pickedIsCovered())
            result->coveredWindow = *session.picked();
        loop.quit();
    });
    QObject::connect(&session, &SelectionSession::cancelled, &loop, &QEventLoop::quit);

    std::vector<std::unique_ptr<SelectionOverlay>> overlays;
    for (int i = 0; i < screens.size(); ++i)
        overlays.push_back(
            std::make_unique<SelectionOverlay>(session, frozen, screens[i], monitors, i));
    for (auto& overlay : overlays)
        overlay->show();
    if (!overlays.empty())
        grabKeyboardWhileShown(overlays.front().get()); // Esc, wherever the focus was
    // The window under the pointer is outlined before the pointer first moves.
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        session.move(selection::Monitor::of(screen).pixelAt(QCursor::pos(), std::nullopt));
    loop.exec();
    for (auto& overlay : overlays)
        overlay->hide();
    return result;
}
