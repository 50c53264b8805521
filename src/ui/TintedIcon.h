#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QString>

// The tray icon: a symbolic icon in a colour that shows on the panel.
namespace tinted_icon {

// Every size of `icon` with its pixels painted in `color`, keeping their alpha.
QIcon icon(const QIcon& symbolic, const QColor& color);

// The glyph colour for a symbol shown over `background`: light on dark, dark on light,
// taken from the palette's text and window colours.
QColor glyphColor(const QColor& background, const QPalette& palette);

} // namespace tinted_icon
