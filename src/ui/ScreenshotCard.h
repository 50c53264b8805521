#pragma once

#include "core/library/Screenshot.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

class CapsuleButton;
class HistoryManager;
class QMenu;
class QMimeData;
class QVariantAnimation;

// One capture in the history strip: its picture, and on hover its kind and age, a menu,
// Copy and Edit. Double-click edits; dragging offers the file.
class ScreenshotCard : public QWidget {
    Q_OBJECT
public:
    // What every card of one strip shares.
    struct Context {
        HistoryManager& history;
        std::function<void(const Screenshot&)> edit;
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    };

    ScreenshotCard(const Screenshot& screenshot, const Context& context, QWidget* parent);
    ~ScreenshotCard() override;

    const Screenshot& screenshot() const { return m_screenshot; }
    const QImage& image() const { return m_image; }
    bool isHovered() const { return m_hover; }
    // Shows or takes away the overlay; the strip calls it when cards move under a still
    // pointer or the popover hides, which report no enter or leave of their own.
    void setHover(bool hover);
    bool showsCopied() const { return m_showCopied; }
    bool isLoading() const { return m_loading; }
    // Reads and downscales the file unless the picture is already held.
    void loadImage();
    void copyWithConfirmation();
    void edit();
    // The right-click menu and the overlay's "…" menu; the caller owns them.
    QMenu* makeContextMenu();
    QMenu* makeMoreMenu();
    // What a drag out of the card offers: the file's URL (text/uri-list) and its name.
    QMimeData* makeDragData() const;
    // The text of the kind badge.
    QString ageText() const;

Q_SIGNALS:
    // A load ended, with or without a picture.
    void imageLoadFinished();
    // The Copy button's copy ended: on the clipboard, or nothing copied.
    void copyFinished(bool copied);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class Overlay;

    void reloadAfterEdit(const QUuid& id);
    void startDrag();
    void paintPicture(QPainter& painter);
    void addLibraryActions(QMenu* menu);

    Screenshot m_screenshot;
    const Context& m_context;
    QImage m_image;
    QPixmap m_framed; // m_image cropped and scaled to the card, for painting
    bool m_hover = false;
    bool m_showCopied = false;
    bool m_loading = false;
    int m_loadGeneration = 0;
    // Read by queued decodes: a card that is gone needs no picture.
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
    QPointer<Overlay> m_overlay;
    QPoint m_pressPosition;
    bool m_pressed = false;
};
