#include "ui/PopoverWindow.h"

#include "platform/Symbols.h"
#include "ui/PopoverGeometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QFont sizedFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont f = QGuiApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

} // namespace

PopoverWindow::PopoverWindow(Actions actions, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_actions(std::move(actions)) {
    setWindowTitle(QStringLiteral("Quillbox"));
}

void PopoverWindow::showUnder(const QRect& trayIcon) {
    QScreen* screen = trayIcon.isValid() ? QGuiApplication::screenAt(trayIcon.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect();
    const QSize size(
        popover_geometry::width(screen ? std::optional<int>(visible.width()) : std::nullopt),
        popover_geometry::height);
    if (!m_built)
        buildContent();
    setFixedSize(size);
    move(popover_geometry::topLeft(size, trayIcon, visible));
    show();
    raise();
    activateWindow();
}

void PopoverWindow::performClose() {
    if (isVisible())
        hide();
}

void PopoverWindow::mousePressEvent(QMouseEvent* event) {
    const bool outside = !rect().contains(event->position().toPoint());
    const QPoint global = event->globalPosition().toPoint();
    const Qt::MouseButton button = event->button();
    QWidget::mousePressEvent(event);
    if (outside)
        Q_EMIT pressedOutside(global, button);
}

void PopoverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Q_EMIT shownChanged(true);
}

void PopoverWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Q_EMIT shownChanged(false);
}

void PopoverWindow::buildContent() {
    m_built = true;
    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 12, 14, 10);
    auto* symbol = new QLabel(this);
    symbol->setPixmap(symbols::icon(QStringLiteral("camera.viewfinder")).pixmap(16, 16));
    auto* title = new QLabel(QStringLiteral("Quillbox"), this);
    title->setFont(sizedFont(14, QFont::DemiBold));
    auto* menuButton = new QToolButton(this);
    menuButton->setIcon(symbols::icon(QStringLiteral("ellipsis.circle")));
    menuButton->setAutoRaise(true);
    menuButton->setPopupMode(QToolButton::InstantPopup);
    menuButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    auto* menu = new QMenu(menuButton);
    menu->addAction(QStringLiteral("Settings…"), this, [this] {
        if (m_actions.onOpenSettings)
            m_actions.onOpenSettings();
    });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Quit Quillbox"), this, [this] {
        if (m_actions.onQuit)
            m_actions.onQuit();
    });
    menuButton->setMenu(menu);
    header->addWidget(symbol);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(menuButton);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addStretch(1);
}
