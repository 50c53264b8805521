#pragma once

#include <QRectF>
#include <QWidget>
#include <optional>

class QLabel;

// The small panel that shows a scrolling capture's progress. It never takes the focus or
// the mouse, and it is never placed over the region being captured.
class ScrollingCaptureHud : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;
    static constexpr int panelHeight = 78;

    ScrollingCaptureHud();

    void setText(const QString& text);
    QString text() const;

    // Where the panel's top-left corner goes on a screen's available area: centred, 24
    // points below its top; else 24 points above its bottom when the top spot would cover
    // `region`; nothing when both would.
    static std::optional<QPoint> placement(const QRect& available, const QRectF& region);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_label;
};
