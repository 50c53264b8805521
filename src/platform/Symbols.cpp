#include "platform/Symbols.h"

#include <QHash>

namespace symbols {

namespace {

struct Entry {
    const char* symbol;
    const char* theme;
};

constexpr Entry table[] = {
    {"camera.viewfinder", "camera-photo"},
    {"ellipsis.circle", "view-more"},
    {"rectangle.dashed", "edit-select-all"},
    {"macwindow", "focus-windows"},
    {"rectangle.inset.filled", "view-fullscreen"},
    {"scroll", "view-continuous"},
    {"list.bullet.rectangle", "view-list-bullet"},
    {"exclamationmark.shield.fill", "security-low"},
    {"checkmark.shield.fill", "security-high"},
    {"arrow.up.right.square", "go-jump"},
    {"arrow.clockwise", "view-refresh"},
    {"arrow.triangle.2.circlepath", "emblem-synchronizing"},
    {"photo.on.rectangle.angled", "image-x-generic"},
    {"folder.fill", "folder"},
    {"folder", "folder"},
    {"xmark.circle.fill", "window-close"},
    {"photo", "image-x-generic"},
    {"ellipsis.circle.fill", "view-more"},
    {"doc.on.doc", "edit-copy"},
    {"checkmark", "object-select"},
    {"pencil.tip", "document-edit"},
    // The editor's tools and commands. The icon theme has no drawing tools of its own,
    // so the nearest pictures stand in: a box, a ring, a forward arrow, a marker, a pencil.
    {"rectangle", "checkbox"},
    {"circle", "radio"},
    {"arrow.up.right", "mail-forward"},
    {"highlighter", "insert-text"},
    {"eye.slash", "view-conceal"},
    {"scribble", "document-edit"},
    {"textformat", "format-text-rich"},
    {"arrow.uturn.backward", "edit-undo"},
    {"trash", "user-trash"},
    {"crop", "edit-cut"},
};

QIcon shipped(const QString& theme) {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addFile(QStringLiteral(":/symbols/%1/%2.png").arg(theme).arg(size), QSize(size, size));
    return icon;
}

} // namespace

QString themeName(const QString& symbolName) {
    for (const Entry& entry : table) {
        if (symbolName == QLatin1String(entry.symbol))
            return QLatin1String(entry.theme);
    }
    return {};
}

QIcon icon(const QString& symbolName) {
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(symbolName);
    if (cached != cache.cend())
        return *cached;
    const QString theme = themeName(symbolName);
    const QIcon found = theme.isEmpty() ? QIcon() : QIcon::fromTheme(theme, shipped(theme));
    cache.insert(symbolName, found);
    return found;
}

QStringList names() {
    QStringList all;
    for (const Entry& entry : table)
        all.append(QLatin1String(entry.symbol));
    return all;
}

} // namespace symbols
