#pragma once

#include <QStringList>

// Reading an icon theme (its index, hundreds of folders) costs more than anything else
// before the tray icon shows, and is wasted when no theme has the picture. This tells that
// case cheaply, from the themes' icon caches.
namespace icon_theme_probe {

// False only when QIcon::fromTheme would find none of `names`: no theme it searches (the
// current one, those it inherits, the fallback, hicolor) holds a picture by any of them or
// their shorter forms ("camera-photo-symbolic": "camera-photo", "camera"), nor does an
// unthemed folder. True whenever that cannot be told without reading a theme.
bool mayHave(const QStringList& names);

} // namespace icon_theme_probe
