#pragma once

#include "core/library/ScreenshotKind.h"
#include "ui/CardButtons.h"

#include <QAbstractButton>
#include <QWidget>

// What the card shows over its picture while the pointer is on it: the kind badge and
// close button at the top, Copy, Edit and Show at the bottom. A press anywhere else on it
// goes on to the card.
class ThumbnailOverlay : public QWidget {
    Q_OBJECT
public:
    ThumbnailOverlay(ScreenshotKind kind, QWidget* parent);

    QAbstractButton* closeButton() const { return m_close; }
    QAbstractButton* copyButton() const { return m_copy; }
    QAbstractButton* editButton() const { return m_edit; }
    QAbstractButton* showButton() const { return m_show; }

    void setCopied(bool copied);
    bool showsCopied() const { return m_copied; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutButtons();

    ScreenshotKind m_kind;
    QAbstractButton* m_close;
    CapsuleButton* m_copy;
    CapsuleButton* m_edit;
    CapsuleButton* m_show;
    bool m_copied = false;
};
