#include "ui/AlertsQMessageBox.h"

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
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}
