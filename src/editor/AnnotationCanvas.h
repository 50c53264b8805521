#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <optional>

class EditorModel;
class QLineEdit;

// The image fitted into the widget with the marks over it. It maps the pointer to image
// pixels and feeds the editor's drags; it hosts the in-place text field while typing.
class AnnotationCanvas : public QWidget {
    Q_OBJECT
public:
    explicit AnnotationCanvas(EditorModel& model, QWidget* parent = nullptr);

    QRectF fittedRect() const;
    // The in-place text field; hidden while nothing is being typed.
    QLineEdit* textField() const { return m_textField; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Drag {
        QPointF start; // view points
        QPointF last;
        bool onImage;
    };

    QPointF toImage(QPointF view) const;
    void syncTextField();
    void placeTextField();
    void paintImage(QPainter& painter, QRectF fitted);
    const QImage& marksLayer(QRectF fitted, const QImage& redaction);
    const QImage& scaled(const QImage& source, QImage& cache, QSize size,
                         Qt::TransformationMode mode);

    EditorModel& m_model;
    QLineEdit* m_textField;
    std::optional<Drag> m_drag;
    // The base and redaction pictures at the fitted size, remade when either changes.
    QImage m_scaledBase;
    QImage m_scaledPixelated;
    // The finished marks as drawn over the image, kept while only the draft, the crop
    // rectangle or the text field change: a drag repaints one mark, not sixty.
    QImage m_marksLayer;
    bool m_marksLayerValid = false;
};
