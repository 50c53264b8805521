#pragma once

#include "core/ActivationPolicy.h"
#include "core/library/Screenshot.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QUuid>
#include <functional>
#include <optional>

class EditorWindow;
class HistoryManager;
class Pasteboard;
class SoundPlayer;

// Opens the annotation editor for a screenshot, one window per screenshot, and keeps the
// application regular while any editor window is open.
class AnnotationEditorController : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& library;
        ActivationPolicy& activationPolicy;
        SoundPlayer& sound;
        Pasteboard& pasteboard;
        // The primary screen's area free of panels; nothing without a screen.
        std::function<std::optional<QRectF>()> visibleScreenFrame;
    };

    explicit AnnotationEditorController(Collaborators collaborators, QObject* parent = nullptr);
    ~AnnotationEditorController() override;

    // Reads the capture off the GUI thread, then opens its window (or beeps when the file
    // cannot be read as a picture). An open window is brought forward at once.
    void open(const Screenshot& screenshot);
    void windowWillClose(QObject* window);

    // The open window of a screenshot, if any.
    EditorWindow* window(const QUuid& screenshotId) const { return m_windows.value(screenshotId); }
    int windowCount() const { return int(m_windows.size()); }

    // The window's first size: the image shrunk (never enlarged) to fit most of the visible
    // frame, with room for the bars, and never smaller than 820 × 580.
    static QSizeF initialContentSize(QSizeF imageSize, std::optional<QRectF> visibleFrame);

Q_SIGNALS:
    // An open that had to read the file ended: with a window, or with a beep.
    void openFinished(const QUuid& screenshotId, bool opened);

private:
    void openWindow(const Screenshot& screenshot, const QImage& image);
    void promoteActivation();
    void bringForward(EditorWindow& window);

    Collaborators m_collaborators;
    QHash<QUuid, EditorWindow*> m_windows;
    // Screenshots whose file is being read: a second Edit meanwhile opens no second window.
    QSet<QUuid> m_reading;
    std::optional<ActivationPolicy::Policy> m_previousActivationPolicy;
};
