// A window showing a tall page that scrolls a fixed 38 or 60 rows per wheel click, plain or
// built to trap a scrolling capture:
//   bars     a text page in a Qt scroll area, as a Qt program shows one, between a 40-row
//            header and a 30-row footer that never scroll (--rows N: N rows, 2000 by default);
//   sparse   short text lines far apart over a white ground and light grey blocks, in a
//            narrow view: the rows at a frame's edge are often all one colour;
//   partial  a text page whose view, at the bottom, stops 17 rows short of the end, as an
//            editor leaves it after jumping to the end of a document;
//   shadow   a text page under a fixed bar that casts a 2-row shadow of 30 % black;
//   left     short lines at the view's left edge, the rest of it white;
//   right    numbers right-aligned at the view's right edge, the rest of it white;
//   scrollbar  the sparse page beside a scroll bar whose thumb moves as the page scrolls.
// It writes the page as it reads from the top (as the view shows it there, then every row
// below; without the scroll bar, which has no such picture) and, once on screen, the
// global rectangle of the window.
//   trap_page KIND PAGE.png GEOMETRY.txt [--at-bottom] [--rows N]
#include "TestPages.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

struct Layout {
    int width = 400;
    int viewRows = 300;
    int barRows = 0;
    int footerRows = 0;
    int shadowRows = 0;
    int rowsPerClick = 60;
    int shortOfEnd = 0; // where the view stands at the bottom, above the real end
    bool scrollBar = false;
};

// A fixed bar: text-like rows tinted with a colour of its own.
QImage fixedBar(int width, int rows, QRgb tint, quint32 seed) {
    QImage image = textPage(width, std::max(1, rows), seed);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(image.rect(), QColor(tint));
    return image;
}

QLabel* picture(const QImage& image) {
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(image));
    label->setFixedSize(image.size());
    return label;
}

class PageView : public QWidget {
public:
    PageView(Layout layout, QImage content)
        : m_layout(layout)
        , m_content(std::move(content))
        , m_bar(fixedBar(layout.width, layout.barRows, qRgb(120, 160, 230), 9))
        , m_footer(fixedBar(layout.width, layout.footerRows, qRgb(230, 200, 120), 13)) {
        setFixedSize(layout.width, layout.barRows + layout.viewRows + layout.footerRows);
        if (!layout.scrollBar)
            return;
        // Only shows where the page stands; the page takes the wheel itself.
        m_scrollBar = new QScrollBar(Qt::Vertical, this);
        m_scrollBar->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_scrollBar->setRange(0, m_content.height() - layout.viewRows);
        m_scrollBar->setPageStep(layout.viewRows);
        const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        m_scrollBar->setGeometry(layout.width - barWidth, layout.barRows, barWidth,
                                 layout.viewRows);
    }

    // Shows the page in a Qt scroll area between its bars instead, in `window`.
    void showInScrollArea(QWidget& window, bool atBottom) const {
        auto* column = new QVBoxLayout(&window);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* area = new QScrollArea;
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setWidget(picture(m_content));
        area->setFixedSize(m_layout.width, m_layout.viewRows);
        column->addWidget(picture(m_bar));
        column->addWidget(area);
        column->addWidget(picture(m_footer));
        window.setFixedSize(size());
        window.show();
        if (atBottom)
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    }
    int bottomOffset() const {
        return std::max(0, m_content.height() - m_layout.viewRows - m_layout.shortOfEnd);
    }
    void setOffset(int offset) {
        m_offset = offset;
        if (m_scrollBar)
            m_scrollBar->setValue(offset);
        update();
    }

    // The page as it reads from the top: the view there, with every row below it.
    QImage wholePage() const {
        QImage image(pageWidth(), m_layout.barRows + m_content.height() + m_layout.footerRows,
                     QImage::Format_RGB32);
        QPainter painter(&image);
        paint(painter, 0, m_content.height());
        return image;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paint(painter, m_offset, m_layout.viewRows);
    }

    void wheelEvent(QWheelEvent* event) override {
        const int clicks = event->angleDelta().y() / 120;
        const int end = m_content.height() - m_layout.viewRows;
        setOffset(std::clamp(m_offset - clicks * m_layout.rowsPerClick, 0, end));
    }

private:
    int pageWidth() const { return m_layout.width - (m_scrollBar ? m_scrollBar->width() : 0); }

    void paint(QPainter& painter, int offset, int rows) const {
        const int bar = m_layout.barRows;
        painter.drawImage(QPoint(0, bar), m_content, QRect(0, offset, pageWidth(), rows));
        if (bar > 0)
            painter.drawImage(0, 0, m_bar);
        if (m_layout.footerRows > 0)
            painter.drawImage(0, bar + rows, m_footer);
        painter.fillRect(0, bar, m_layout.width, m_layout.shadowRows, QColor(0, 0, 0, 77));
    }

    Layout m_layout;
    QImage m_content;
    QImage m_bar;
    QImage m_footer;
    int m_offset = 0;
    QScrollBar* m_scrollBar = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    const QString kind = args[1];
    const qsizetype rowsAt = args.indexOf(QStringLiteral("--rows"));
    Layout layout;
    QImage content;
    if (kind == u"bars") {
        layout = {.width = 600, .viewRows = 500, .barRows = 40, .footerRows = 30};
        content = textPage(layout.width, rowsAt > 0 ? args.value(rowsAt + 1).toInt() : 2000, 12);
    } else if (kind == u"sparse" || kind == u"scrollbar") {
        layout = {.width = 260, .viewRows = 200, .rowsPerClick = 38};
        layout.scrollBar = kind == u"scrollbar";
        content = sparsePage(layout.width, 2600, 5);
    } else if (kind == u"partial") {
        layout.shortOfEnd = 17;
        content = textPage(layout.width, 1500, 21);
    } else if (kind == u"shadow") {
        layout = {.barRows = 40, .shadowRows = 2};
        content = textPage(layout.width, 1500, 22);
    } else if (kind == u"left" || kind == u"right") {
        // Wide, with the lines in its outer twentieth: a measure that leaves out the sides
        // sees nothing move.
        layout.width = 800;
        content =
            sideLinesPage(layout.width, 100, kind == u"left" ? Qt::AlignLeft : Qt::AlignRight, 34);
    } else {
        return 2;
    }

    PageView page(layout, content);
    if (!page.wholePage().save(args[2]))
        return 2;
    const bool atBottom = args.contains(QStringLiteral("--at-bottom"));
    QWidget scrollArea;
    QWidget& view = kind == u"bars" ? scrollArea : page;
    view.setWindowTitle(QStringLiteral("Trap page"));
    view.move(120, 160);
    if (kind == u"bars") {
        page.showInScrollArea(scrollArea, atBottom);
    } else {
        if (atBottom)
            page.setOffset(page.bottomOffset());
        page.show();
    }

    // Tell the test where the page is once the window is on screen and painted.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &view, [&] {
        if (!view.windowHandle() || !view.windowHandle()->isExposed())
            return;
        ready.stop();
        const QPoint origin = view.mapToGlobal(QPoint(0, 0));
        QFile out(args[3]);
        if (out.open(QIODevice::WriteOnly))
            out.write(QString::asprintf("%d %d %d %d\n", origin.x(), origin.y(), view.width(),
                                        view.height())
                          .toUtf8());
    });
    ready.start(100);
    return app.exec();
}
