#include "platform/Symbols.h"
#include "platform/IconThemeProbe.h"

#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QtMath>

namespace symbols {

namespace {

// Draws one symbol in black into a 16 x 16 box.
using Drawing = void (*)(QPainter&);

struct Entry {
    const char* symbol;
    const char* theme; // null: drawn here
    Drawing drawing = nullptr;
};

QPen strokePen(qreal width, Qt::PenCapStyle cap = Qt::RoundCap) {
    return QPen(Qt::black, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

// The outline of a rounded rectangle, as the rectangle tool draws it.
void drawRectangle(QPainter& painter) {
    painter.setPen(strokePen(1.6));
    painter.drawRoundedRect(QRectF(2, 3, 12, 10), 1.5, 1.5);
}

// The outline of a circle, as the ellipse tool draws it.
void drawCircle(QPainter& painter) {
    painter.setPen(strokePen(1.6));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
}

// A straight arrow pointing up and to the right, as the arrow tool draws it.
void drawArrow(QPainter& painter) {
    painter.setPen(strokePen(1.8));
    painter.drawLine(QPointF(3, 13), QPointF(12.2, 3.8));
    painter.drawPolyline(QPolygonF{QPointF(6, 3), QPointF(13, 3), QPointF(13, 10)});
}

// Two crop corners, each a right angle, overlapping.
void drawCrop(QPainter& painter) {
    painter.setPen(strokePen(1.6, Qt::SquareCap));
    painter.drawPolyline(QPolygonF{QPointF(4.5, 1.5), QPointF(4.5, 11.5), QPointF(14.5, 11.5)});
    painter.drawPolyline(QPolygonF{QPointF(1.5, 4.5), QPointF(11.5, 4.5), QPointF(11.5, 14.5)});
}

// A marker at a slant over the stroke it leaves.
void drawHighlighter(QPainter& painter) {
    painter.fillRect(QRectF(1, 13.5, 14, 2), Qt::black);
    painter.save();
    painter.translate(9.5, 6.5);
    painter.rotate(45);
    QPainterPath body;
    body.addRoundedRect(QRectF(-2.6, -7, 5.2, 7.5), 1, 1);
    QPainterPath tip;
    tip.moveTo(-2.6, 1.5);
    tip.lineTo(2.6, 1.5);
    tip.lineTo(1.2, 5);
    tip.lineTo(-1.2, 5);
    tip.closeSubpath();
    painter.setPen(strokePen(1.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(body);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(tip);
    painter.restore();
}

constexpr Entry table[] = {
    {"camera.viewfinder", "camera-photo"},
    {"ellipsis.circle", "view-more"},
    {"rectangle.dashed", "edit-select-all"},
    {"macwindow", "focus-windows"},
    {"rectangle.inset.filled", "view-fullscreen"},
    {"scroll", "view-continuous"},
    {"list.bullet.rectangle", "view-list-bullet"},
    {"exclamationmark.shield.fill", "security-low"},
    {"checkmark.shield.fill", "security-high"},
    {"arrow.up.right.square", "go-jump"},
    {"arrow.clockwise", "view-refresh"},
    {"arrow.triangle.2.circlepath", "emblem-synchronizing"},
    {"photo.on.rectangle.angled", "image-x-generic"},
    {"folder.fill", "folder"},
    {"folder", "folder"},
    {"xmark.circle.fill", "window-close"},
    {"photo", "image-x-generic"},
    {"ellipsis.circle.fill", "view-more"},
    {"doc.on.doc", "edit-copy"},
    {"checkmark", "object-select"},
    {"pencil.tip", "document-edit"},
    // The editor's tools and commands: the icon theme's nearest pictures, or our own
    // where the nearest would name another thing (a check box, a reply arrow, scissors).
    {"rectangle", nullptr, drawRectangle},
    {"circle", nullptr, drawCircle},
    {"arrow.up.right", nullptr, drawArrow},
    {"highlighter", nullptr, drawHighlighter},
    {"eye.slash", "view-conceal"},
    {"scribble", "document-edit"},
    {"textformat", "format-text-rich"},
    {"arrow.uturn.backward", "edit-undo"},
    {"trash", "user-trash"},
    {"crop", nullptr, drawCrop},
};

const Entry* find(const QString& symbolName) {
    for (const Entry& entry : table) {
        if (symbolName == QLatin1String(entry.symbol))
            return &entry;
    }
    return nullptr;
}

// A symbol drawn here, at any size.
class DrawnEngine : public QIconEngine {
public:
    explicit DrawnEngine(Drawing drawing)
        : m_drawing(drawing) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        m_drawing(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return result;
    }
    QIconEngine* clone() const override { return new DrawnEngine(m_drawing); }

private:
    Drawing m_drawing;
};

QIcon shipped(const QString& theme) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        // Read as the PNG it is: a file of unnamed format (QIcon::addFile) is first offered
        // to every image plugin, each loaded with its libraries, before the tray icon shows.
        QImageReader reader(QStringLiteral(":/symbols/%1/%2.png").arg(theme).arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

// `source` filling a square of `pixels`, painted in `color` where it has ink.
QPixmap tintedPixels(const QIcon& source, int pixels, const QColor& color, QIcon::Mode mode) {
    QPixmap result(pixels, pixels);
    result.fill(Qt::transparent);
    // Asked at one device pixel per pixel and scaled here, so that a picture smaller than
    // the square (a theme without the size) still fills it.
    const QPixmap picture = source.pixmap(QSize(pixels, pixels), 1.0, mode);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(result.rect(), picture);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    QColor ink = color;
    if (mode == QIcon::Disabled)
        ink.setAlphaF(ink.alphaF() * 0.4f);
    painter.fillRect(result.rect(), ink);
    return result;
}

// An icon painted in one colour whatever size it is asked for.
class TintedEngine : public QIconEngine {
public:
    TintedEngine(QIcon source, QColor color)
        : m_source(std::move(source))
        , m_color(color) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = tintedPixels(
            m_source, qCeil(std::min(rect.width(), rect.height()) * ratio), m_color, mode);
        picture.setDevicePixelRatio(ratio);
        const QSizeF shown = picture.deviceIndependentSize();
        painter->drawPixmap(QPointF(rect.x() + (rect.width() - shown.width()) / 2,
                                    rect.y() + (rect.height() - shown.height()) / 2),
                            picture);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return tintedPixels(m_source, side, m_color, mode);
    }
    QIconEngine* clone() const override { return new TintedEngine(m_source, m_color); }

private:
    QIcon m_source;
    QColor m_color;
};

} // namespace

QString themeName(const QString& symbolName) {
    const Entry* entry = find(symbolName);
    return entry && entry->theme ? QLatin1String(entry->theme) : QString();
}

QIcon icon(const QString& symbolName) {
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(symbolName);
    if (cached != cache.cend())
        return *cached;
    const Entry* entry = find(symbolName);
    QIcon found;
    if (entry && entry->drawing)
        found = QIcon(new DrawnEngine(entry->drawing));
    else if (entry) {
        // The symbolic variant first: a full-colour picture would show as a blot when tinted.
        const QString theme = QLatin1String(entry->theme);
        const QString symbolic = theme + QStringLiteral("-symbolic");
        found = icon_theme_probe::mayHave({symbolic, theme})
                    ? QIcon::fromTheme(symbolic, QIcon::fromTheme(theme, shipped(theme)))
                    : shipped(theme);
    }
    cache.insert(symbolName, found);
    return found;
}

QStringList names() {
    QStringList all;
    for (const Entry& entry : table)
        all.append(QLatin1String(entry.symbol));
    return all;
}

QPixmap pixmap(const QString& symbolName, int size, const QColor& color, qreal devicePixelRatio) {
    const QIcon source = icon(symbolName);
    if (source.isNull() || size <= 0)
        return {};
    const int pixels = qCeil(size * devicePixelRatio);
    const QString key = QStringLiteral("quillbox.symbol/%1/%2/%3")
                            .arg(symbolName)
                            .arg(pixels)
                            .arg(color.rgba(), 8, 16, QLatin1Char('0'));
    QPixmap result;
    if (!QPixmapCache::find(key, &result)) {
        result = tintedPixels(source, pixels, color, QIcon::Normal);
        QPixmapCache::insert(key, result);
    }
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon tinted(const QString& symbolName, const QColor& color) {
    const QIcon source = icon(symbolName);
    return source.isNull() ? QIcon() : QIcon(new TintedEngine(source, color));
}

} // namespace symbols
