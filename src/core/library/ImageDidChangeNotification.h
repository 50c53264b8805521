#pragma once

#include <QObject>
#include <QUuid>

// "QuillboxImageDidChange": posted by the editor after it writes over a capture's
// file, observed by every view that shows that capture's image.
class ImageDidChangeNotification : public QObject {
    Q_OBJECT
public:
    static constexpr const char* name = "QuillboxImageDidChange";

    static ImageDidChangeNotification& center();
    void post(const QUuid& screenshotId);

Q_SIGNALS:
    void quillboxImageDidChange(const QUuid& screenshotId);
};
