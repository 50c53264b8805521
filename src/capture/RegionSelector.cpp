#include "capture/RegionSelector.h"

#include "capture/SelectionView.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

namespace {

// A drag narrower or lower than this, in points, selects nothing.
constexpr qreal minimumSide = 20;

QScreen* screenUnderPointer() {
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen;
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

} // namespace

RegionSelector::RegionSelector(BackdropProvider backdrop, QObject* parent)
    : QObject(parent)
    , m_backdrop(std::move(backdrop)) {}

RegionSelector::~RegionSelector() {
    if (m_keyMonitor)
        qApp->removeEventFilter(this);
    delete m_overlay;
}

void RegionSelector::selectRegion(Completion completion) {
    if (m_completion)
        finish(std::nullopt);
    m_completion = std::move(completion);

    QScreen* screen = screenUnderPointer();
    if (!screen) {
        finish(std::nullopt);
        return;
    }

    auto* view = new SelectionView(screen);
    view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint);
    if (m_backdrop)
        view->setBackdrop(m_backdrop(screen));
    // An overlay that a newer request replaced answers nothing more.
    view->onCommit = [this, view](const QRect& selection) {
        if (m_overlay == view)
            handleCommit(selection, view->monitor());
    };
    view->onCancel = [this, view] {
        if (m_overlay == view)
            finish(std::nullopt);
    };
    view->setScreen(screen);
    view->setGeometry(screen->geometry());

    qApp->installEventFilter(this);
    m_keyMonitor = true;
    m_overlay = view;
    view->show();
    view->raise();
    view->activateWindow();
    view->setFocus();
}

bool RegionSelector::eventFilter(QObject* watched, QEvent* event) {
    if (m_keyMonitor && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        finish(std::nullopt);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void RegionSelector::handleCommit(const QRect& selection, const selection::Monitor& monitor) {
    // Global points: Qt keeps a screen's origin in device pixels and scales what lies
    // within it.
    const QRectF local = monitor.toLocal(selection);
    if (local.width() < minimumSide || local.height() < minimumSide) {
        finish(std::nullopt);
        return;
    }
    finish(local.translated(monitor.device.topLeft()));
}

void RegionSelector::finish(std::optional<QRectF> result) {
    if (!m_completion)
        return;
    Completion completion = std::exchange(m_completion, {});
    if (m_keyMonitor) {
        qApp->removeEventFilter(this);
        m_keyMonitor = false;
    }
    if (m_overlay) {
        // Its own handlers may still be on the stack: it goes once control returns.
        m_overlay->hide();
        m_overlay->deleteLater();
        m_overlay = nullptr;
    }
    completion(result);
}
