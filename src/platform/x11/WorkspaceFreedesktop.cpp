#include "platform/x11/WorkspaceFreedesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace {
constexpr int fileManagerTimeoutMs = 2000;
}

bool WorkspaceFreedesktop::open(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void WorkspaceFreedesktop::reveal(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (bus.isConnected() && bus.interface()) {
        // An activatable file manager counts too, not only a running one.
        const auto registered = bus.interface()->isServiceRegistered(service);
        const auto activatable = bus.interface()->activatableServiceNames();
        if (registered.value() || activatable.value().contains(service)) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                service, QStringLiteral("/org/freedesktop/FileManager1"), service,
                QStringLiteral("ShowItems"));
            call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
            const QDBusMessage reply = bus.call(call, QDBus::Block, fileManagerTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage)
                return;
        }
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

bool WorkspaceFreedesktop::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}
