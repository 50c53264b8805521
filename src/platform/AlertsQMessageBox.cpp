#include "platform/AlertsQMessageBox.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace {

// The text's width: its longest line in one, or in two when that is very long.
int textWidth(const QMessageBox& box, const QString& message, const QString& informative) {
    int longest = 0;
    for (const QString& text : {message, informative}) {
        for (const QString& line : text.split(u'\n'))
            longest = std::max(longest, box.fontMetrics().horizontalAdvance(line));
    }
    constexpr int oneLineAtMost = 440;
    constexpr int twoLinesAtMost = 520;
    // A little more than the text: the label keeps a margin of its own.
    if (longest <= oneLineAtMost)
        return longest + box.fontMetrics().averageCharWidth() * 3;
    return std::min(longest / 2 + box.fontMetrics().averageCharWidth() * 8, twoLinesAtMost);
}

} // namespace

int AlertsQMessageBox::run(const Alert& alert) {
    QWidget* owner = qobject_cast<QWidget*>(alert.window);
    QMessageBox box(owner ? owner->window() : nullptr);
    box.setIcon(alert.kind == Alert::Kind::information ? QMessageBox::Information
                                                       : QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Quillbox"));
    box.setText(alert.messageText);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton*> buttons;
    for (const QString& title : alert.buttons)
        buttons.append(box.addButton(title, QMessageBox::AcceptRole));
    if (!buttons.isEmpty())
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    // Esc answers "Cancel" where the alert has one, as users expect of a dialog.
    const qsizetype cancel = alert.buttons.indexOf(QStringLiteral("Cancel"));
    if (cancel >= 0)
        box.setEscapeButton(buttons.at(cancel));
    if (owner) {
        box.setWindowModality(Qt::WindowModal);
    } else {
        box.setWindowModality(Qt::ApplicationModal);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    // A message box sizes itself to its title line and wraps the rest narrowly.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = textWidth(box, alert.messageText, alert.informativeText);
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 1, 1, grid->columnCount() - 1);
    }
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}
