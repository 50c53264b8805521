#include "ui/SettingsView.h"

#include "core/hotkeys/HotkeyPreferences.h"
#include "core/library/HistoryManager.h"
#include "core/services/Workspace.h"
#include "platform/Drawing.h"
#include "platform/LaunchAtLogin.h"
#include "platform/SymbolLabel.h"
#include "platform/Symbols.h"
#include "ui/FolderPicker.h"
#include "ui/HotkeyRow.h"
#include "ui/PermissionCard.h"
#include "ui/SettingsCard.h"
#include "ui/SettingsStyle.h"
#include "ui/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

using namespace settings_style;
namespace style = settings_style;

namespace {

// One line of text, cut in the middle when it does not fit.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    void setFullText(const QString& text) {
        m_fullText = text;
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, width())); }
    QString m_fullText;
};

QLabel* label(const QString& text, const QFont& font, QWidget* parent, qreal opacity = 1.0) {
    auto* result = new QLabel(text, parent);
    result->setFont(font);
    if (opacity < 1.0) {
        QPalette palette = result->palette();
        palette.setColor(QPalette::WindowText, primary(result, opacity));
        result->setPalette(palette);
    }
    return result;
}

QVBoxLayout* vbox(int spacing, QWidget* owner = nullptr) {
    auto* layout = owner ? new QVBoxLayout(owner) : new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QHBoxLayout* hbox(int spacing, QWidget* owner = nullptr) {
    auto* layout = owner ? new QHBoxLayout(owner) : new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QPushButton* smallButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setFont(drawing::pixelFont(11));
    return button;
}

// The section's title over its cards.
QWidget* section(const QString& title, const QList<QWidget*>& content, QWidget* parent) {
    auto* box = new QWidget(parent);
    QVBoxLayout* layout = vbox(8, box);
    layout->addWidget(label(title.toUpper(), drawing::pixelFont(11, QFont::DemiBold), box, 0.5));
    for (QWidget* widget : content) {
        widget->setParent(box);
        layout->addWidget(widget);
    }
    return box;
}

} // namespace

SettingsView::SettingsView(Collaborators collaborators, std::function<void()> onChange,
                           QWidget* parent)
    : QWidget(parent)
    , m_c(std::move(collaborators))
    , m_onChange(std::move(onChange))
    , m_storageDirectory(m_c.library.defaultStorageDirectory()) {
    auto* content = new QWidget;
    QVBoxLayout* sections = vbox(18, content);
    sections->setContentsMargins(20, 20, 20, 20);
    sections->addWidget(buildGeneralSection());
    sections->addWidget(buildStorageSection());
    sections->addWidget(buildHotkeysSection());
    sections->addWidget(buildPermissionSection());
    sections->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    QVBoxLayout* root = vbox(0, this);
    root->addWidget(scroll, 1);
    root->addWidget(buildFooter());
    setFocusPolicy(Qt::ClickFocus);
}

QWidget* SettingsView::buildGeneralSection() {
    auto* card = new SettingsCard;
    QHBoxLayout* layout = hbox(8, card);
    QVBoxLayout* text = vbox(2);
    text->addWidget(label(QStringLiteral("Launch at Login"), drawing::pixelFont(13), card));
    text->addWidget(label(QStringLiteral("Open Quillbox automatically when you log in."),
                          drawing::pixelFont(11), card, 0.5));
    auto* toggle = new ToggleSwitch(card);
    toggle->setObjectName(QStringLiteral("launchAtLogin"));
    toggle->setAccessibleName(QStringLiteral("Launch at Login"));
    connect(toggle, &ToggleSwitch::clicked, this, &SettingsView::setLaunchAtLogin);
    m_launchSwitch = toggle;
    layout->addLayout(text);
    layout->addStretch(1);
    layout->addWidget(toggle);
    return section(QStringLiteral("General"), {card}, this);
}

QWidget* SettingsView::buildStorageSection() {
    auto* card = new SettingsCard;
    QVBoxLayout* layout = vbox(10, card);

    QHBoxLayout* folder = hbox(8);
    auto* icon = new SymbolLabel(QStringLiteral("folder.fill"), 14, QPalette::Highlight, 1.0, card);
    QVBoxLayout* text = vbox(2);
    text->addWidget(
        label(QStringLiteral("Save Screenshots To"), drawing::pixelFont(12, QFont::Medium), card));
    auto* path = new ElidingLabel(card);
    path->setObjectName(QStringLiteral("storagePath"));
    path->setFont(monospaced(11));
    QPalette palette = path->palette();
    palette.setColor(QPalette::WindowText, primary(path, 0.5));
    path->setPalette(palette);
    path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathLabel = path;
    text->addWidget(path);
    folder->addWidget(icon, 0, Qt::AlignVCenter);
    folder->addLayout(text, 1);
    layout->addLayout(folder);

    QHBoxLayout* buttons = hbox(6);
    QPushButton* choose =
        smallButton(QStringLiteral("Choose Folder…"), QStringLiteral("chooseFolder"), card);
    QPushButton* reveal = smallButton(QStringLiteral("Reveal"), QStringLiteral("reveal"), card);
    QPushButton* reset =
        smallButton(QStringLiteral("Reset to Default"), QStringLiteral("resetToDefault"), card);
    connect(choose, &QPushButton::clicked, this, &SettingsView::chooseFolder);
    connect(reveal, &QPushButton::clicked, this, &SettingsView::revealFolder);
    connect(reset, &QPushButton::clicked, this, &SettingsView::resetFolderToDefault);
    m_resetFolderButton = reset;
    buttons->addWidget(choose);
    buttons->addWidget(reveal);
    buttons->addWidget(reset);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return section(QStringLiteral("Storage"), {card}, this);
}

QWidget* SettingsView::buildHotkeysSection() {
    auto* hint = label(QStringLiteral("Click a shortcut and press a new key combination."),
                       drawing::pixelFont(11), this, 0.5);
    auto* card = new SettingsCard(false);
    QVBoxLayout* layout = vbox(0, card);
    for (HotkeyAction action : hotkey_action::allCases()) {
        auto* hotkeyRow =
            new HotkeyRow(action,
                          {[this, action] { return combo(action); },
                           [this, action](const HotkeyCombo& combo) { setCombo(action, combo); }},
                          m_c.keyboard, card);
        connect(hotkeyRow, &HotkeyRow::recordingChanged, this, &SettingsView::rowRecordingChanged);
        m_rows.insert(action, hotkeyRow);
        layout->addWidget(hotkeyRow);
        if (action == HotkeyAction::togglePopover)
            continue;
        auto* divider = new QFrame(card);
        divider->setFixedHeight(1);
        divider->setAutoFillBackground(true);
        QPalette palette = divider->palette();
        palette.setColor(QPalette::Window, primary(divider, 0.1));
        divider->setPalette(palette);
        auto* inset = new QWidget(card);
        hbox(0, inset)->setContentsMargins(14, 0, 0, 0);
        inset->layout()->addWidget(divider);
        layout->addWidget(inset);
    }
    return section(QStringLiteral("Keyboard Shortcuts"), QList<QWidget*>{hint, card}, this);
}

QWidget* SettingsView::buildPermissionSection() {
    m_screenRecordingCard = new PermissionCard(
        QStringLiteral("screenRecording"),
        {QStringLiteral("Screen Recording"), QStringLiteral("Granted — captures will work."),
         QStringLiteral("Not granted — captures will be blocked.")},
        m_c.openScreenRecordingSettings);
    m_accessibilityCard = new PermissionCard(
        QStringLiteral("accessibility"),
        {QStringLiteral("Accessibility"), QStringLiteral("Granted — scrolling capture will work."),
         QStringLiteral("Not granted — scrolling capture is disabled.")},
        m_c.openAccessibilitySettings);
    auto* relaunch = new QPushButton(
        symbols::tinted(QStringLiteral("arrow.clockwise"), palette().color(QPalette::ButtonText)),
        // "&&": a single one would mark a mnemonic.
        QStringLiteral("Quit && Relaunch (apply permission change)"));
    relaunch->setObjectName(QStringLiteral("quitAndRelaunch"));
    relaunch->setFont(drawing::pixelFont(12));
    connect(relaunch, &QPushButton::clicked, this, [this] { m_c.quitAndRelaunch(); });
    m_relaunchButton = relaunch;
    auto* box = section(QStringLiteral("Permissions"),
                        QList<QWidget*>{m_screenRecordingCard, m_accessibilityCard}, this);
    relaunch->setParent(box);
    static_cast<QVBoxLayout*>(box->layout())->addWidget(relaunch, 0, Qt::AlignLeft);
    return box;
}

QWidget* SettingsView::buildFooter() {
    auto* footer = new QWidget(this);
    footer->setAutoFillBackground(true);
    QHBoxLayout* layout = hbox(8, footer);
    layout->setContentsMargins(20, 12, 20, 12);
    QPushButton* reset =
        smallButton(QStringLiteral("Reset Shortcuts"), QStringLiteral("resetShortcuts"), footer);
    reset->setFont(drawing::pixelFont(13));
    connect(reset, &QPushButton::clicked, this, &SettingsView::resetShortcuts);
    auto* version = label(QStringLiteral("Quillbox ") + appVersionString(m_c.version),
                          drawing::pixelFont(11), footer, 0.26);
    version->setObjectName(QStringLiteral("version"));
    layout->addWidget(reset);
    layout->addStretch(1);
    layout->addWidget(version);
    return footer;
}

QString SettingsView::prettyPath(const QString& path, const QString& home) {
    const QString cleanHome = QDir::cleanPath(home);
    if (cleanHome.isEmpty() || cleanHome == QStringLiteral("/"))
        return path;
    if (path == cleanHome)
        return QStringLiteral("~");
    if (path.startsWith(cleanHome + u'/'))
        return u'~' + path.mid(cleanHome.size());
    return path;
}

std::optional<Alerts::Alert> SettingsView::storageChangeAlert(const StorageChangeResult& result) {
    const QStringList ok{QStringLiteral("OK")};
    if (!result.success)
        return Alerts::Alert{QStringLiteral("Couldn't Change Folder"),
                             result.errorMessage.value_or(QStringLiteral("Unknown error.")), ok};
    if (result.moved < 1 && result.failed < 1)
        return std::nullopt;
    QString message = QStringLiteral("Moved %1 screenshot%2 to the new folder.")
                          .arg(result.moved)
                          .arg(result.moved == 1 ? QString() : QStringLiteral("s"));
    if (result.failed >= 1)
        message += QStringLiteral(" %1 couldn't be moved.").arg(result.failed);
    return Alerts::Alert{QStringLiteral("Folder Changed"), message, ok,
                         Alerts::Alert::Kind::information};
}

QString SettingsView::appVersionString(const QString& version) {
    return u'v' + (version.isEmpty() ? QStringLiteral("1.0") : version);
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming back from the task bar is no new opening.
    if (event->spontaneous())
        return;
    refresh();
    // The window opens with the focus on nothing a key can toggle: a stray Space must not
    // switch launch at login. Tab still reaches every control.
    setFocus();
}

bool SettingsView::event(QEvent* event) {
    // The user went to another window: the hot keys must work there again.
    if (event->type() == QEvent::WindowDeactivate)
        stopRecording();
    return QWidget::event(event);
}

void SettingsView::refresh() {
    loadCombos();
    m_launchAtLogin = m_c.launchAtLogin.isEnabled();
    m_launchSwitch->setChecked(m_launchAtLogin);
    m_hasPermission = m_c.hasScreenRecordingPermission();
    m_hasAXPermission = m_c.hasAccessibilityPermission();
    showPermissions();
    showStorageDirectory();
}

void SettingsView::loadCombos() {
    QHash<HotkeyAction, HotkeyCombo> combos;
    for (HotkeyAction action : hotkey_action::allCases())
        combos.insert(action, m_c.preferences.combo(action));
    m_combos = combos;
    for (HotkeyRow* hotkeyRow : std::as_const(m_rows))
        hotkeyRow->refresh();
    showHotkeyRefusals();
}

HotkeyCombo SettingsView::combo(HotkeyAction action) const {
    return m_combos.value(action, HotkeyPreferences::defaultCombo(action));
}

void SettingsView::setCombo(HotkeyAction action, const HotkeyCombo& combo) {
    // Stored even when another action has it, or the system will refuse it: the row then
    // says why it does not work.
    m_combos.insert(action, combo);
    m_c.preferences.setCombo(combo, action);
    if (m_onChange)
        m_onChange();
    m_rows.value(action)->refresh();
    showHotkeyRefusals();
}

void SettingsView::resetShortcuts() {
    m_c.preferences.resetToDefaults();
    loadCombos();
    if (m_onChange)
        m_onChange();
    showHotkeyRefusals();
}

void SettingsView::stopRecording() {
    for (HotkeyRow* hotkeyRow : std::as_const(m_rows))
        hotkeyRow->stopRecording();
}

void SettingsView::rowRecordingChanged() {
    const bool anyRecording = std::any_of(m_rows.cbegin(), m_rows.cend(),
                                          [](const HotkeyRow* r) { return r->isRecording(); });
    if (anyRecording == m_hotkeysSuspended)
        return;
    m_hotkeysSuspended = anyRecording;
    m_c.setHotkeysSuspended(anyRecording);
    showHotkeyRefusals();
}

void SettingsView::showHotkeyRefusals() {
    for (HotkeyRow* hotkeyRow : std::as_const(m_rows)) {
        const HotkeyAction action = hotkeyRow->action();
        const std::optional<HotkeyRefusal> refusal = m_c.hotkeyRefusal(action);
        // The action that has it: the first other one with the combination that works.
        QString holder;
        for (HotkeyAction other : hotkey_action::allCases()) {
            if (refusal == HotkeyRefusal::usedByQuillbox && other != action &&
                combo(other) == combo(action) && !m_c.hotkeyRefusal(other)) {
                holder = hotkey_action::title(other);
                break;
            }
        }
        hotkeyRow->setRefusal(refusal, holder);
    }
}

void SettingsView::setLaunchAtLogin(bool enabled) {
    // A refused change leaves the switch on the desktop's real state.
    m_launchAtLogin =
        m_c.launchAtLogin.setEnabled(enabled) ? enabled : m_c.launchAtLogin.isEnabled();
    m_launchSwitch->setChecked(m_launchAtLogin);
}

void SettingsView::chooseFolder() {
    const QString start = m_c.library.storageDirectory();
    const std::optional<QString> folder =
        m_c.chooseFolder ? m_c.chooseFolder(start) : folder_picker::chooseFolder(start, window());
    if (!folder || folder->isEmpty())
        return;
    finishStorageChange(m_c.library.setStorageDirectory(*folder, true));
}

void SettingsView::revealFolder() {
    m_c.workspace.open(m_c.library.storageDirectory());
}

void SettingsView::resetFolderToDefault() {
    finishStorageChange(m_c.library.resetStorageDirectoryToDefault());
}

void SettingsView::finishStorageChange(const StorageChangeResult& result) {
    showStorageDirectory();
    if (auto alert = storageChangeAlert(result)) {
        alert->window = this;
        m_c.alerts.run(*alert);
    }
}

void SettingsView::showStorageDirectory() {
    m_storageDirectory = m_c.library.storageDirectory();
    static_cast<ElidingLabel*>(m_pathLabel)->setFullText(prettyPath(m_storageDirectory));
    m_pathLabel->setToolTip(m_storageDirectory);
    m_resetFolderButton->setVisible(!m_c.library.isUsingDefaultStorageDirectory());
}

void SettingsView::showPermissions() {
    m_screenRecordingCard->setHeld(m_hasPermission);
    m_accessibilityCard->setHeld(m_hasAXPermission);
    m_relaunchButton->setVisible(!m_hasPermission);
}
