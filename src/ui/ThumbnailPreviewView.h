#pragma once

#include "core/library/Screenshot.h"
#include "ui/Later.h"

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QWidget>
#include <functional>

class HudSpinner;
class QGraphicsOpacityEffect;
class QVariantAnimation;
class ThumbnailOverlay;

// The card after a capture: a 240 x 160 floating window that never takes the focus,
// showing the capture with Copy, Edit, Show and close while the pointer is on it. A click
// edits; a drag carries the file out. Where a compositing manager runs, the window is
// larger by the card's shadow, which takes no pointer input; elsewhere it is the card,
// cut to its rounded shape.
class ThumbnailPreviewView : public QWidget {
    Q_OBJECT
public:
    static constexpr int cardWidth = 240;
    static constexpr int cardHeight = 160;
    // Longest side, in points, of the picture the card keeps.
    static constexpr int pictureSide = 480;

    struct Actions {
        // Copies, off the GUI thread, and tells `done` (while `context` lives) whether it did.
        std::function<void(QObject* context, std::function<void(bool copied)> done)> onCopy;
        std::function<void()> onEdit;
        std::function<void()> onReveal;
        std::function<void()> onDismiss;
        std::function<void(bool)> onHoverChange;
    };

    // `fileURL` is asked each time the file is read, so a moved library is followed.
    ThumbnailPreviewView(Screenshot screenshot, Actions actions, std::function<QString()> fileURL,
                         Later later = timerLater());

    const Screenshot& screenshot() const { return m_screenshot; }
    // The room the shadow takes around the card; none without a compositing manager.
    const QMargins& shadowMargins() const { return m_margins; }
    // Where the card is in the window.
    QRect cardRect() const { return rect().marginsRemoved(m_margins); }
    const QImage& image() const { return m_image; }
    bool hovering() const { return m_hovering; }
    ThumbnailOverlay* overlay() const { return m_overlay; }

    // Reads the picture off the GUI thread unless one is shown already.
    void loadImage();
    // Off the screen and deleted; after the drag when one is under way, which runs its own
    // event loop inside this card.
    void dispose();

Q_SIGNALS:
    void imageLoaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHovering(bool hovering);
    void copy();
    void startDrag();
    void reloadIfMine(const QUuid& screenshotId);

    Screenshot m_screenshot;
    QMargins m_margins;
    QImage m_shadow;
    Actions m_actions;
    std::function<QString()> m_fileURL;
    Later m_later;
    QImage m_image;
    bool m_hovering = false;
    bool m_loadRequested = false;
    quint64 m_loadGeneration = 0;
    std::optional<QPoint> m_pressAt;
    bool m_dragging = false;
    bool m_disposed = false;
    HudSpinner* m_spinner;
    ThumbnailOverlay* m_overlay;
    QGraphicsOpacityEffect* m_overlayOpacity;
    QVariantAnimation* m_overlayFade;
};
