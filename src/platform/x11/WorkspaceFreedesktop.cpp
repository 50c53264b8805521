#include "platform/x11/WorkspaceFreedesktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace {
QString connectionName(const QString& busAddress) {
    return QStringLiteral("quillbox:") + busAddress;
}
} // namespace

WorkspaceFreedesktop::WorkspaceFreedesktop(QString busAddress)
    : m_busAddress(std::move(busAddress)) {}

WorkspaceFreedesktop::~WorkspaceFreedesktop() {
    if (!m_busAddress.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName(m_busAddress));
}

bool WorkspaceFreedesktop::open(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void WorkspaceFreedesktop::reveal(const QString& path) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus =
        m_busAddress.isEmpty()
            ? QDBusConnection::sessionBus()
            : QDBusConnection::connectToBus(m_busAddress, connectionName(m_busAddress));
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                       service, QStringLiteral("ShowItems"));
    // Fully encoded: a URI, not a path with a scheme in front (every capture name has spaces).
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    // Never waited for: a file manager the bus has to start first can take seconds, and
    // falling back on a timeout would open a second window once it does come up. The bus
    // answers at once when no file manager is there at all.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* finished) {
                         if (finished->isError())
                             QDesktopServices::openUrl(folder);
                         finished->deleteLater();
                     });
}

bool WorkspaceFreedesktop::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}
