#pragma once

#include <QString>
#include <QUrl>

// The desktop's file browser and default applications.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Opens the file or folder with its default application.
    virtual bool open(const QString& path) = 0;
    // Shows the file selected in the file browser.
    virtual void reveal(const QString& path) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
};
