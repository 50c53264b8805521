#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace folder_picker {

// Asks for the screenshots folder in an application-modal dialog that shows folders only
// and may create one; nothing when cancelled.
std::optional<QString> chooseFolder(const QString& startFolder, QWidget* parent);

} // namespace folder_picker
