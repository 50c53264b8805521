#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// Pictures for the symbol names the interface uses ("camera.viewfinder", "scroll", ...):
// the desktop's icon theme when it has the icon, else a copy shipped in the program; a few
// the icon theme has nothing fitting for (the editor's arrow, crop and highlighter) are
// drawn here. Symbolic pictures come in one dark colour: they are shown tinted.
namespace symbols {

// A null icon for a name that is not in the table.
QIcon icon(const QString& symbolName);
// The freedesktop icon name a symbol is looked up by; empty when unknown or drawn here.
QString themeName(const QString& symbolName);
// Every symbol name in the table.
QStringList names();

// The symbol in `color`, `size` device-independent pixels square, drawn sharp for a screen
// of `devicePixelRatio`. Null for an unknown name.
QPixmap pixmap(const QString& symbolName, int size, const QColor& color, qreal devicePixelRatio);
// The symbol as an icon in `color`, for buttons.
QIcon tinted(const QString& symbolName, const QColor& color);

} // namespace symbols
