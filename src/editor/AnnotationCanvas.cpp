#include "editor/AnnotationCanvas.h"

#include "core/annotate/AnnotationPainter.h"
#include "core/annotate/CanvasGeometry.h"
#include "editor/EditorModel.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int canvasMinimumHeight = 160;

} // namespace

AnnotationCanvas::AnnotationCanvas(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_textField(new QLineEdit(this)) {
    setMinimumHeight(canvasMinimumHeight);
    setMouseTracking(false);
    m_textField->hide();
    m_textField->setFrame(false);
    m_textField->setPlaceholderText(QStringLiteral("Type…"));
    // Typed text shows where the committed text will be drawn: from the click point to
    // the right, in reading order as the export lays it out (left to right, so that
    // right-to-left text is not moved to the field's far end), its top at the click point.
    // QLineEdit keeps its text 2 pixels in from the side and 1 from the top; the negative
    // margins take that back.
    m_textField->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignTop);
    m_textField->setLayoutDirection(Qt::LeftToRight);
    m_textField->setTextMargins(-2, -1, 0, 0);

    m_textField->installEventFilter(this);
    connect(m_textField, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_model.setEditingString(text); });
    connect(m_textField, &QLineEdit::returnPressed, this, [this] { m_model.commitText(); });
    connect(&m_model, &EditorModel::editingTextChanged, this, &AnnotationCanvas::syncTextField);

    auto redraw = [this] { update(); };
    auto redrawMarks = [this] {
        m_marksLayerValid = false;
        update();
    };
    connect(&m_model, &EditorModel::annotationsChanged, this, redrawMarks);
    connect(&m_model, &EditorModel::draftChanged, this, redraw);
    connect(&m_model, &EditorModel::croppingChanged, this, redraw);
    connect(&m_model, &EditorModel::cropRectChanged, this, redraw);
    connect(&m_model, &EditorModel::baseImageChanged, this, [this] {
        m_scaledBase = QImage();
        m_marksLayerValid = false;
        placeTextField();
        update();
    });
    connect(&m_model, &EditorModel::pixelatedImageChanged, this, [this] {
        m_scaledPixelated = QImage();
        m_marksLayerValid = false;
        update();
    });
}

// Esc in the field leaves typing like Return does; it must never reach the window's
// Close and drop the marks with the text.
bool AnnotationCanvas::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_textField &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        m_model.commitText();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QRectF AnnotationCanvas::fittedRect() const {
    return canvas_geometry::fittedRect(m_model.imagePixelSize(), QSizeF(size()));
}

QPointF AnnotationCanvas::toImage(QPointF view) const {
    return canvas_geometry::toImage(view, fittedRect(), m_model.imagePixelSize());
}

void AnnotationCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_drag)
        return;
    const QPointF at = event->position();
    m_drag = Drag{at, at, canvas_geometry::startsOnImage(at, fittedRect())};
    if (m_drag->onImage)
        m_model.dragChanged(toImage(at), toImage(at));
}

void AnnotationCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag || !m_drag->onImage)
        return;
    m_drag->last = event->position();
    m_model.dragChanged(toImage(m_drag->start), toImage(m_drag->last));
}

void AnnotationCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_drag)
        return;
    const Drag drag = *m_drag;
    m_drag.reset();
    if (!drag.onImage)
        return;
    if (event->position() != drag.last)
        m_model.dragChanged(toImage(drag.start), toImage(event->position()));
    m_model.dragEnded(toImage(drag.start));
}

void AnnotationCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_marksLayerValid = false;
    placeTextField();
}

void AnnotationCanvas::syncTextField() {
    const auto& draft = m_model.editingText();
    if (!draft) {
        m_textField->clearFocus();
        m_textField->hide();
        m_textField->clear();
        return;
    }
    if (m_textField->text() != draft->string())
        m_textField->setText(draft->string());
    if (m_textField->isVisible())
        return;
    const QColor color = annotation_color::qColor(draft->color());
    m_textField->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; "
                                              "padding: 0px; color: %1; }")
                                   .arg(color.name()));
    placeTextField();
    m_textField->show();
    m_textField->raise();
    // The field takes focus on the next turn of the loop, once it is on screen.
    QTimer::singleShot(0, m_textField, [field = m_textField] { field->setFocus(); });
}

void AnnotationCanvas::placeTextField() {
    const auto& draft = m_model.editingText();
    if (!draft)
        return;
    const auto placement = canvas_geometry::textFieldPlacement(
        draft->origin(), draft->fontSize(), fittedRect(), m_model.imagePixelSize());
    m_textField->setFont(annotation_painter::fontOfPixelSize(placement.fontSize, *this));
    const int height = m_textField->sizeHint().height();
    m_textField->setGeometry(qRound(placement.topLeft.x()), qRound(placement.topLeft.y()),
                             qRound(placement.width), height);
}

const QImage& AnnotationCanvas::scaled(const QImage& source, QImage& cache, QSize size,
                                       Qt::TransformationMode mode) {
    if (cache.size() != size && !source.isNull())
        cache = source.scaled(size, Qt::IgnoreAspectRatio, mode);
    return cache;
}

void AnnotationCanvas::paintImage(QPainter& painter, QRectF fitted) {
    // A soft shadow below the image: black at 0.25, blurred over about 8 points, 2 down.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF shadow = fitted.translated(0, 2);
    for (int i = 4; i >= 1; --i) {
        painter.setBrush(QColor(0, 0, 0, 16));
        painter.drawRoundedRect(shadow.adjusted(-2 * i, -2 * i, 2 * i, 2 * i), 2 * i, 2 * i);
    }
    painter.restore();
    const QImage& base =
        scaled(m_model.baseImage(), m_scaledBase, fitted.size().toSize(), Qt::SmoothTransformation);
    painter.drawImage(fitted, base);
}

const QImage& AnnotationCanvas::marksLayer(QRectF fitted, const QImage& redaction) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_marksLayerValid && m_marksLayer.size() == pixels)
        return m_marksLayer;
    if (m_marksLayer.size() != pixels)
        m_marksLayer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_marksLayer.setDevicePixelRatio(ratio);
    m_marksLayer.fill(Qt::transparent);
    QPainter painter(&m_marksLayer);
    const PaintSpace space = PaintSpace::canvas(fitted, m_model.imagePixelSize());
    for (const Annotation& annotation : m_model.annotations())
        annotation_painter::paint(painter, annotation, space, redaction);
    m_marksLayerValid = true;
    return m_marksLayer;
}

void AnnotationCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window).darker(112));
    const QRectF fitted = fittedRect();
    if (fitted.isEmpty())
        return;
    paintImage(painter, fitted);

    const QImage& pixelated = scaled(m_model.pixelatedImage(), m_scaledPixelated,
                                     fitted.size().toSize(), Qt::FastTransformation);
    const PaintSpace space = PaintSpace::canvas(fitted, m_model.imagePixelSize());
    const QImage none;
    const QImage& redaction = m_model.pixelatedImage().isNull() ? none : pixelated;
    if (!m_model.annotations().isEmpty())
        painter.drawImage(QPointF(0, 0), marksLayer(fitted, redaction));
    if (m_model.draft())
        annotation_painter::paint(painter, *m_model.draft(), space, redaction);
    if (m_model.isCropping() && m_model.cropRect())
        annotation_painter::paintCropOverlay(painter, *m_model.cropRect(), fitted,
                                             m_model.imagePixelSize());
}
