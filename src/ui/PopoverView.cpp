#include "ui/PopoverView.h"

#include "core/hotkeys/HotkeyPreferences.h"
#include "core/library/HistoryManager.h"
#include "core/services/Workspace.h"
#include "platform/Drawing.h"
#include "platform/Separator.h"
#include "platform/SymbolLabel.h"
#include "platform/Symbols.h"
#include "ui/HistoryGridView.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using drawing::pixelFont;
using drawing::withAlpha;

namespace {

const QColor orange(255, 149, 0);
constexpr qreal secondary = 0.5;
constexpr qreal tertiary = 0.26;

QLabel* textLabel(const QString& text, const QFont& font, qreal alpha, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, withAlpha(palette.color(QPalette::WindowText), alpha));
    label->setPalette(palette);
    return label;
}

SymbolLabel* symbolLabel(const QString& symbol, int size, qreal alpha, QWidget* parent) {
    return new SymbolLabel(symbol, size, QPalette::WindowText, alpha, parent);
}

// One capture kind: symbol and title, the accent colour while the pointer is over it.
class CaptureButton : public QAbstractButton {
public:
    CaptureButton(ScreenshotKind kind, QWidget* parent)
        : QAbstractButton(parent)
        , m_kind(kind) {
        setText(screenshot_kind::title(kind));
        setFont(pixelFont(12, QFont::Medium));
        setAttribute(Qt::WA_Hover);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {14 + 13 + 6 + metrics.horizontalAdvance(text()) + 14,
                9 + std::max(15, metrics.height()) + 9};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool hover = underMouse();
        const QColor primary = palette().color(QPalette::WindowText);
        const QColor accent = palette().color(QPalette::Highlight);
        painter.setPen(QPen(hover ? withAlpha(accent, 0.45) : withAlpha(primary, 0.08), 1));
        painter.setBrush(hover ? withAlpha(accent, 0.15) : withAlpha(primary, 0.06));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7.5, 7.5);
        const QColor ink = hover ? accent : primary;
        constexpr int glyph = 13;
        painter.drawPixmap(
            14, (height() - glyph) / 2,
            symbols::pixmap(screenshot_kind::symbol(m_kind), glyph, ink, devicePixelRatioF()));
        painter.setPen(ink);
        painter.drawText(rect().adjusted(14 + glyph + 6, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         text());
    }
    bool event(QEvent* event) override {
        // The colours switch at once, without animation.
        if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave)
            update();
        return QAbstractButton::event(event);
    }

private:
    ScreenshotKind m_kind;
};

// The orange strip with its line along the bottom edge.
class BannerFrame : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), withAlpha(orange, 0.12));
        painter.fillRect(QRect(0, height() - 1, width(), 1), withAlpha(orange, 0.3));
    }
};

// A fill drawn behind a section: the footer's thin material.
class Fill : public QWidget {
public:
    Fill(QPalette::ColorRole role, qreal alpha, QWidget* parent)
        : QWidget(parent)
        , m_role(role)
        , m_alpha(alpha) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), withAlpha(palette().color(m_role), m_alpha));
    }

private:
    QPalette::ColorRole m_role;
    qreal m_alpha;
};

const QList<HotkeyAction> hintActions{HotkeyAction::captureArea, HotkeyAction::captureWindow,
                                      HotkeyAction::captureFullScreen,
                                      HotkeyAction::captureScrolling};

QString hintSymbol(HotkeyAction action) {
    const std::optional<ScreenshotKind> kind = hotkey_action::captureKind(action);
    return kind ? screenshot_kind::symbol(*kind) : QStringLiteral("list.bullet.rectangle");
}

} // namespace

PopoverView::PopoverView(Collaborators collaborators, QWidget* parent)
    : QWidget(parent)
    , m_collaborators(std::move(collaborators)) {
    m_hasPermission = readPermission();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(buildHeader());
    if (!m_collaborators.history) {
        column->addStretch(1);
        tintButtons();
        return;
    }
    m_banner = buildBanner();
    m_banner->setVisible(!m_hasPermission);
    column->addWidget(m_banner);
    column->addLayout(buildCaptureButtons());
    column->addWidget(new Separator(Qt::Horizontal, this));
    column->addWidget(buildHistorySection(), 1);
    column->addWidget(buildFooter());
    tintButtons();
    connect(m_collaborators.history, &HistoryManager::screenshotsChanged, this,
            &PopoverView::libraryChanged);
    libraryChanged();
    appear();
}

void PopoverView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        tintButtons();
}

void PopoverView::tintButtons() {
    const QColor ink = palette().color(QPalette::ButtonText);
    for (const auto& [button, symbol] : std::as_const(m_tintedButtons))
        button->setIcon(symbols::tinted(symbol, ink));
}

bool PopoverView::readPermission() const {
    return !m_collaborators.hasScreenRecordingPermission ||
           m_collaborators.hasScreenRecordingPermission();
}

QLayout* PopoverView::buildHeader() {
    auto* header = new QHBoxLayout;
    header->setContentsMargins(14, 12, 14, 10);
    header->setSpacing(6);
    header->addWidget(symbolLabel(QStringLiteral("camera.viewfinder"), 16, 1.0, this));
    auto* title = new QLabel(QStringLiteral("Quillbox"), this);
    title->setFont(pixelFont(14, QFont::DemiBold));
    header->addWidget(title);
    header->addStretch(1);

    auto* menuButton = new QToolButton(this);
    m_tintedButtons.append({menuButton, QStringLiteral("ellipsis.circle")});
    menuButton->setIconSize(QSize(16, 16));
    menuButton->setAutoRaise(true);
    menuButton->setPopupMode(QToolButton::InstantPopup);
    menuButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    m_actionsMenu = new QMenu(menuButton);
    m_actionsMenu->addAction(QStringLiteral("Settings…"), this, [this] {
        if (m_collaborators.onOpenSettings)
            m_collaborators.onOpenSettings();
    });
    if (m_collaborators.history) {
        m_actionsMenu->addAction(QStringLiteral("Open Folder"), this, [this] {
            if (m_collaborators.workspace)
                m_collaborators.workspace->open(m_collaborators.history->storageDirectory());
        });
        m_actionsMenu->addSeparator();
        m_actionsMenu->addAction(QStringLiteral("Clear All History"), this,
                                 [this] { m_collaborators.history->clearAll(); });
    }
    m_actionsMenu->addSeparator();
    m_actionsMenu->addAction(QStringLiteral("Quit Quillbox"), this, [this] {
        if (m_collaborators.onQuit)
            m_collaborators.onQuit();
    });
    menuButton->setMenu(m_actionsMenu);
    header->addWidget(menuButton);
    return header;
}

QWidget* PopoverView::buildBanner() {
    auto* banner = new BannerFrame(this);
    auto* rows = new QVBoxLayout(banner);
    rows->setContentsMargins(12, 8, 12, 8);
    rows->setSpacing(6);

    auto* first = new QHBoxLayout;
    first->setSpacing(8);
    first->addWidget(
        new SymbolLabel(QStringLiteral("exclamationmark.shield.fill"), 13, orange, this));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    // Without a page to open (an X11 server shows its screen or it does not) the banner
    // says what is true there and offers only the relaunch.
    const bool hasSettingsPage = bool(m_collaborators.openScreenRecordingSettings);
    texts->addWidget(textLabel(hasSettingsPage
                                   ? QStringLiteral("Screen Recording permission needed")
                                   : QStringLiteral("Quillbox cannot read the screen"),
                               pixelFont(11, QFont::DemiBold), 1.0, banner));
    texts->addWidget(textLabel(
        hasSettingsPage ? QStringLiteral("Two clicks: open Settings, toggle on, relaunch.")
                        : QStringLiteral("Log in to an X11 session, then relaunch."),
        pixelFont(10), secondary, banner));
    first->addLayout(texts);
    first->addStretch(1);
    rows->addLayout(first);

    auto* second = new QHBoxLayout;
    second->setSpacing(6);
    const auto button = [this, banner](const QString& title, const QString& symbol) {
        auto* b = new QPushButton(title, banner);
        m_tintedButtons.append({b, symbol});
        b->setFont(pixelFont(11, QFont::Medium));
        b->setIconSize(QSize(11, 11));
        return b;
    };
    if (hasSettingsPage) {
        QPushButton* open =
            button(QStringLiteral("1. Open Settings"), QStringLiteral("arrow.up.right.square"));
        connect(open, &QPushButton::clicked, this,
                [this] { m_collaborators.openScreenRecordingSettings(); });
        second->addWidget(open);
    }
    QPushButton* relaunch =
        button(hasSettingsPage ? QStringLiteral("2. Relaunch") : QStringLiteral("Relaunch"),
               QStringLiteral("arrow.clockwise"));
    connect(relaunch, &QPushButton::clicked, this, [this] {
        if (m_collaborators.quitAndRelaunch)
            m_collaborators.quitAndRelaunch();
    });
    auto* recheck = new QToolButton(banner);
    m_tintedButtons.append({recheck, QStringLiteral("arrow.triangle.2.circlepath")});
    recheck->setIconSize(QSize(11, 11));
    recheck->setToolTip(QStringLiteral("Re-check permission status"));
    recheck->setObjectName(QStringLiteral("recheck"));
    connect(recheck, &QToolButton::clicked, this, &PopoverView::recheckPermission);
    second->addWidget(relaunch);
    second->addStretch(1);
    second->addWidget(recheck);
    rows->addLayout(second);
    return banner;
}

QLayout* PopoverView::buildCaptureButtons() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(14, 0, 14, 10);
    row->setSpacing(8);
    for (ScreenshotKind kind : screenshot_kind::allCases()) {
        auto* button = new CaptureButton(kind, this);
        connect(button, &QAbstractButton::clicked, this, [this, kind] {
            if (m_collaborators.onCapture)
                m_collaborators.onCapture(kind);
        });
        row->addWidget(button);
    }
    row->addStretch(1);
    return row;
}

QWidget* PopoverView::buildHistorySection() {
    auto* section = new QWidget(this);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* title = new QHBoxLayout;
    title->setContentsMargins(14, 10, 14, 6);
    title->addWidget(
        textLabel(QStringLiteral("RECENT"), pixelFont(11, QFont::DemiBold), secondary, section));
    title->addStretch(1);
    m_count = textLabel({}, pixelFont(11, QFont::Medium), tertiary, section);
    title->addWidget(m_count);
    column->addLayout(title);

    m_content = new QStackedWidget(section);
    m_content->addWidget(buildEmptyState());
    m_strip = new HistoryGridView({*m_collaborators.history,
                                   [this](const Screenshot& screenshot) {
                                       if (m_collaborators.onEdit)
                                           m_collaborators.onEdit(screenshot);
                                   }},
                                  m_content);
    m_content->addWidget(m_strip);
    column->addWidget(m_content, 1);
    return section;
}

QWidget* PopoverView::buildEmptyState() {
    auto* empty = new QWidget(this);
    auto* column = new QVBoxLayout(empty);
    column->setSpacing(10);
    column->addStretch(1);
    SymbolLabel* symbol =
        symbolLabel(QStringLiteral("photo.on.rectangle.angled"), 36, tertiary, empty);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    column->addWidget(
        textLabel(QStringLiteral("No screenshots yet"), pixelFont(13), secondary, empty), 0,
        Qt::AlignHCenter);
    column->addWidget(textLabel(QStringLiteral("Use a capture button above or press a shortcut"),
                                pixelFont(11), tertiary, empty),
                      0, Qt::AlignHCenter);
    column->addStretch(1);
    return empty;
}

QWidget* PopoverView::buildFooter() {
    auto* footer = new Fill(QPalette::Window, 0.75, this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(14, 8, 14, 8);
    row->setSpacing(12);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(10);
    mono.setWeight(QFont::Medium);
    for (HotkeyAction action : hintActions) {
        auto* hint = new QHBoxLayout;
        hint->setSpacing(4);
        hint->addWidget(symbolLabel(hintSymbol(action), 9, secondary, footer));
        QLabel* text = textLabel({}, mono, secondary, footer);
        m_hints.append(text);
        hint->addWidget(text);
        row->addLayout(hint);
    }
    row->addStretch(1);
    return footer;
}

void PopoverView::appear() {
    recheckPermission();
    if (!m_collaborators.preferences)
        return;
    for (int i = 0; i < m_hints.size(); ++i)
        m_hints[i]->setText(m_collaborators.preferences->combo(hintActions[i]).displayString());
}

void PopoverView::recheckPermission() {
    m_hasPermission = readPermission();
    // The popover keeps its size: the stack below closes up.
    if (m_banner)
        m_banner->setVisible(!m_hasPermission);
}

void PopoverView::libraryChanged() {
    const qsizetype count = m_collaborators.history->screenshots().size();
    m_count->setText(QString::number(count));
    m_content->setCurrentIndex(count == 0 ? 0 : 1);
}

bool PopoverView::showsEmptyState() const {
    return m_content && m_content->currentIndex() == 0;
}

QString PopoverView::countText() const {
    return m_count ? m_count->text() : QString();
}

QStringList PopoverView::hintTexts() const {
    QStringList texts;
    for (const QLabel* hint : m_hints)
        texts.append(hint->text());
    return texts;
}
