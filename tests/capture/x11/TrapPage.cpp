// A window showing a tall page in a Qt scroll area that scrolls a fixed 38 or 60 rows per
// wheel click, plain or built to trap a scrolling capture:
//   bars     a text page between a 40-row header and a 30-row footer that never scroll
//            (--rows N: N rows, 2000 by default);
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

QLabel* picture(const QImage& image, QWidget* parent = nullptr) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap::fromImage(image));
    label->setFixedSize(image.size());
    return label;
}

// The page in a Qt scroll area, as a Qt program shows one, between its fixed bars.
class PageView : public QWidget {
public:
    PageView(Layout layout, QImage content)
        : m_layout(layout)
        , m_content(std::move(content))
        , m_bar(fixedBar(layout.width, layout.barRows, qRgb(120, 160, 230), 9))
        , m_footer(fixedBar(layout.width, layout.footerRows, qRgb(230, 200, 120), 13))
        , m_shadow(layout.width, std::max(1, layout.shadowRows), QImage::Format_ARGB32) {
        m_shadow.fill(QColor(0, 0, 0, 77));
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        m_area->setFrameShape(QFrame::NoFrame);
        m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_area->setVerticalScrollBarPolicy(layout.scrollBar ? Qt::ScrollBarAlwaysOn
                                                            : Qt::ScrollBarAlwaysOff);
        m_area->verticalScrollBar()->setSingleStep(layout.rowsPerClick);
        m_area->setWidget(picture(m_content));
        m_area->setFixedSize(layout.width, layout.viewRows);
        if (layout.barRows > 0)
            column->addWidget(picture(m_bar));
        column->addWidget(m_area);
        if (layout.footerRows > 0)
            column->addWidget(picture(m_footer));
        if (layout.shadowRows > 0) {
            QLabel* shadow = picture(m_shadow, this);
            shadow->setAttribute(Qt::WA_TransparentForMouseEvents);
            shadow->move(0, layout.barRows);
        }
        setFixedSize(layout.width, layout.barRows + layout.viewRows + layout.footerRows);
    }

    void showAt(bool atBottom) {
        show();
        QScrollBar* bar = m_area->verticalScrollBar();
        if (atBottom)
            bar->setValue(bar->maximum() - m_layout.shortOfEnd);
    }

    // The page as it reads from the top: the view there, with every row below it.
    QImage wholePage() const {
        const int width =
            m_layout.width -
            (m_layout.scrollBar ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
        const int bar = m_layout.barRows, rows = m_content.height();
        QImage image(width, bar + rows + m_layout.footerRows, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.drawImage(QPoint(0, bar), m_content);
        if (bar > 0)
            painter.drawImage(0, 0, m_bar);
        if (m_layout.footerRows > 0)
            painter.drawImage(0, bar + rows, m_footer);
        if (m_layout.shadowRows > 0)
            painter.drawImage(0, bar, m_shadow);
        return image;
    }

private:
    Layout m_layout;
    QImage m_content;
    QImage m_bar;
    QImage m_footer;
    QImage m_shadow;
    QScrollArea* m_area = new QScrollArea;
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

    // One wheel click scrolls the view one single step.
    QApplication::setWheelScrollLines(1);
    PageView view(layout, content);
    if (!view.wholePage().save(args[2]))
        return 2;
    view.setWindowTitle(QStringLiteral("Trap page"));
    view.move(120, 160);
    view.showAt(args.contains(QStringLiteral("--at-bottom")));

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
