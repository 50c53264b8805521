#include "ui/SettingsWindowController.h"

#include "core/ActivationPolicy.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

SettingsWindowController::SettingsWindowController(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {}

SettingsWindowController::~SettingsWindowController() {
    delete m_window.data();
}

void SettingsWindowController::show(std::function<void()> onHotkeysChanged) {
    m_onChange = std::move(onHotkeysChanged);
    m_collaborators.activationPolicy.setActivationPolicy(ActivationPolicy::Policy::regular);
    if (m_window) {
        m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
        return;
    }
    auto* window =
        new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                 Qt::WindowCloseButtonHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Quillbox Settings"));
    const QPointer<SettingsWindowController> self(this);
    auto* view = new SettingsView(m_collaborators.view, [self] {
        if (self && self->m_onChange)
            self->m_onChange();
    });
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    window->setFixedSize(width, height);
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        window->move(available.center() - QPoint(width / 2, height / 2));
    }
    window->installEventFilter(this);
    m_window = window;
    m_view = view;
    window->show();
    window->raise();
    window->activateWindow();
}

bool SettingsWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close)
        windowWillClose();
    return false;
}

void SettingsWindowController::windowWillClose() {
    // Recording ends with the window, and the hot keys come back at once.
    if (m_view)
        m_view->stopRecording();
    m_window->removeEventFilter(this);
    m_window = nullptr;
    m_view = nullptr;
    m_collaborators.activationPolicy.setActivationPolicy(ActivationPolicy::Policy::accessory);
}
