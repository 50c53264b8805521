#include "ui/PopoverWindow.h"

#include "platform/Separator.h"
#include "ui/PopoverGeometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr qreal cornerRadius = 10;
// The regular material: the window colour, slightly translucent.
constexpr qreal materialAlpha = 0.92;
} // namespace

PopoverWindow::PopoverWindow(Actions actions, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_actions(std::move(actions)) {
    setWindowTitle(QStringLiteral("Quillbox"));
    m_rounded = m_actions.compositingActive && m_actions.compositingActive();
    if (m_rounded)
        setAttribute(Qt::WA_TranslucentBackground);
    // Built with the window, so the first click only shows it.
    buildContent();
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
    m_view->appear();
    // The content decides the height when 260 cannot hold it whole.
    const QSize fitted(size.width(), std::max(size.height(), m_view->sizeHint().height()));
    setFixedSize(fitted);
    move(popover_geometry::topLeft(fitted, trayIcon, visible));
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

void PopoverWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor material = palette().color(QPalette::Window);
    // A hairline edge, so that the popover stands out from a desktop of its own colour.
    const QPen edge(Separator::color(palette()), 1);
    if (!m_rounded) {
        painter.fillRect(rect(), material);
        painter.setPen(edge);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        return;
    }
    material.setAlphaF(materialAlpha);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(material);
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setPen(edge);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                            cornerRadius - 0.5);
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
    PopoverView::Collaborators content = m_actions.content;
    content.onOpenSettings = m_actions.onOpenSettings;
    content.onQuit = m_actions.onQuit;
    // The editor's window must not open under the popover, which holds the pointer.
    const auto edit = std::move(content.onEdit);
    content.onEdit = [this, edit](const Screenshot& screenshot) {
        performClose();
        if (edit)
            edit(screenshot);
    };
    m_view = new PopoverView(std::move(content), this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_view);
}
