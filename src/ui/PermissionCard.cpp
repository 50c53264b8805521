#include "ui/PermissionCard.h"

#include "platform/Drawing.h"
#include "platform/SymbolLabel.h"
#include "ui/SettingsStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PermissionCard::PermissionCard(const QString& name, Texts texts, std::function<void()> openSettings,
                               QWidget* parent)
    : SettingsCard(true, parent)
    , m_texts(std::move(texts)) {
    using namespace settings_style;
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_shield = new SymbolLabel(QStringLiteral("exclamationmark.shield.fill"), 18, orange(), this);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    auto* title = new QLabel(m_texts.title, this);
    title->setFont(drawing::pixelFont(13));
    m_status = new QLabel(this);
    m_status->setFont(drawing::pixelFont(11));
    QPalette secondary = m_status->palette();
    secondary.setColor(QPalette::WindowText, primary(this, 0.5));
    m_status->setPalette(secondary);
    text->addWidget(title);
    text->addWidget(m_status);
    m_badge = new QLabel(QStringLiteral("Active"), this);
    m_badge->setFont(drawing::pixelFont(11, QFont::DemiBold));
    m_badge->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: %2; padding: 3px 8px; border-radius: "
                       "9px; }")
            .arg(green().name(QColor::HexArgb), green(0.15).name(QColor::HexArgb)));
    layout->addWidget(m_shield);
    layout->addLayout(text, 1);
    layout->addWidget(m_badge);
    if (openSettings) {
        auto* open = new QPushButton(QStringLiteral("Open Settings"), this);
        open->setObjectName(name + QStringLiteral(".openSettings"));
        open->setFont(drawing::pixelFont(11));
        connect(open, &QPushButton::clicked, this, std::move(openSettings));
        m_openSettings = open;
        layout->addWidget(m_openSettings);
    }
}

void PermissionCard::setHeld(bool held) {
    m_shield->setSymbol(held ? QStringLiteral("checkmark.shield.fill")
                             : QStringLiteral("exclamationmark.shield.fill"),
                        held ? settings_style::green() : settings_style::orange());
    m_status->setText(held ? m_texts.granted : m_texts.missing);
    m_badge->setVisible(held);
    if (m_openSettings)
        m_openSettings->setVisible(!held);
}
