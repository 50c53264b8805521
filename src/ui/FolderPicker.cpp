#include "ui/FolderPicker.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace folder_picker {

std::optional<QString> chooseFolder(const QString& startFolder, QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose Screenshots Folder"), startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    // Qt's own dialog, so the prompt and the message show on every desktop.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* message =
            new QLabel(QStringLiteral("Pick the folder where Quillbox will save screenshots."));
        grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace folder_picker
