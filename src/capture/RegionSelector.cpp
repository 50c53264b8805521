#include "capture/RegionSelector.h"

#include "capture/RegionGeometry.h"
#include "capture/SelectionView.h"
#include "core/Shared.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>

namespace {

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

RegionSelector& RegionSelector::shared() {
    return Shared<RegionSelector>::get();
}

void RegionSelector::installShared(RegionSelector* instance) {
    Shared<RegionSelector>::install(instance);
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

    auto* view = new SelectionView;
    view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint);
    if (m_backdrop)
        view->setBackdrop(m_backdrop(screen));
    // An overlay that a newer request replaced answers nothing more.
    QPointer<QScreen> viewScreen = screen;
    view->onCommit = [this, view, viewScreen](const QRectF& selection) {
        if (m_overlay == view)
            handleCommit(selection, viewScreen);
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

void RegionSelector::handleCommit(const QRectF& selection, QScreen* screen) {
    if (selection.width() < regiongeometry::minimumSide ||
        selection.height() < regiongeometry::minimumSide || !screen) {
        finish(std::nullopt);
        return;
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QRectF geometry = screen->geometry();
    const qreal primaryHeight =
        screens.isEmpty() ? geometry.height() : screens.first()->geometry().height();
    finish(regiongeometry::globalRect(
        selection, regiongeometry::bottomLeftFrame(geometry, primaryHeight), primaryHeight));
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
