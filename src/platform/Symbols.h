#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// Pictures for the symbol names the interface uses ("camera.viewfinder", "scroll", ...):
// the desktop's icon theme when it has the icon, else a copy shipped in the program.
namespace symbols {

// A null icon for a name that is not in the table.
QIcon icon(const QString& symbolName);
// The freedesktop icon name a symbol is looked up by; empty when unknown.
QString themeName(const QString& symbolName);
// Every symbol name in the table.
QStringList names();

} // namespace symbols
