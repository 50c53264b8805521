#pragma once

#include "core/services/Workspace.h"

// Default applications through the desktop's URL handlers; reveal through the
// FileManager1 D-Bus service, falling back to opening the containing folder.
class WorkspaceFreedesktop : public Workspace {
public:
    // The session bus, or the bus at `busAddress` when one is given (tests).
    explicit WorkspaceFreedesktop(QString busAddress = {});
    ~WorkspaceFreedesktop() override;

    bool open(const QString& path) override;
    void reveal(const QString& path) override;
    bool openUrl(const QUrl& url) override;

private:
    QString m_busAddress;
};
