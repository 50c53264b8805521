#pragma once

#include "platform/Workspace.h"

// Default applications through the desktop's URL handlers; reveal through the
// FileManager1 D-Bus service, falling back to opening the containing folder.
class WorkspaceFreedesktop : public Workspace {
public:
    bool open(const QString& path) override;
    void reveal(const QString& path) override;
    bool openUrl(const QUrl& url) override;
};
