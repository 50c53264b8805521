#pragma once

#include "core/services/Workspace.h"

#include <QList>
#include <QStringList>

class WorkspaceFake : public Workspace {
public:
    bool open(const QString& path) override {
        opened.append(path);
        return true;
    }
    void reveal(const QString& path) override { revealed.append(path); }
    bool openUrl(const QUrl& url) override {
        openedUrls.append(url);
        return true;
    }

    QStringList opened;
    QStringList revealed;
    QList<QUrl> openedUrls;
};
