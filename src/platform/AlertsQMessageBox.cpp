#include "platform/AlertsQMessageBox.h"

#include <QMessageBox>
#include <QPushButton>

int AlertsQMessageBox::run(const Alert& alert) {
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
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
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}
