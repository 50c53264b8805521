#include "ui/HistoryGridView.h"

#include "core/io/Background.h"
#include "core/library/HistoryManager.h"
#include "platform/FreedMemory.h"
#include "ui/StripLayout.h"

#include <QApplication>
#include <QCursor>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

namespace {
// Pixels one wheel notch moves the row.
constexpr int pixelsPerLine = 20;
// How long after closing (and then how often while a decode still runs) the freed
// memory is handed back.
constexpr int giveBackDelayMs = 1000;
} // namespace

HistoryGridView::HistoryGridView(Collaborators collaborators, QWidget* parent)
    : QScrollArea(parent)
    , m_context{collaborators.history, std::move(collaborators.edit), std::move(collaborators.now)}
    , m_row(new QWidget) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    viewport()->setAutoFillBackground(false);
    m_row->setAutoFillBackground(false);
    setWidget(m_row);
    setFixedHeight(strip_layout::rowHeight);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &HistoryGridView::updateCards);
    connect(&m_context.history, &HistoryManager::screenshotsChanged, this,
            &HistoryGridView::libraryChanged);
    libraryChanged();
}

HistoryGridView::~HistoryGridView() {
    // Queued reads see their cards gone and read nothing; a read under way is not waited
    // for (its result goes nowhere).
    qDeleteAll(m_cards);
    m_cards.clear();
}

QSize HistoryGridView::sizeHint() const {
    return {strip_layout::rowWidth(1), strip_layout::rowHeight};
}

QList<ScreenshotCard*> HistoryGridView::cards() const {
    QList<ScreenshotCard*> inOrder = m_cards.values();
    std::sort(inOrder.begin(), inOrder.end(),
              [](const ScreenshotCard* a, const ScreenshotCard* b) { return a->x() < b->x(); });
    return inOrder;
}

ScreenshotCard* HistoryGridView::card(const QUuid& id) const {
    return m_cards.value(id);
}

void HistoryGridView::libraryChanged() {
    m_shown = m_context.history.screenshots();
    m_row->resize(strip_layout::rowWidth(int(m_shown.size())), strip_layout::rowHeight);
    QHash<QUuid, int> index;
    index.reserve(m_shown.size());
    for (int i = 0; i < m_shown.size(); ++i)
        index.insert(m_shown[i].id(), i);
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        const auto found = index.constFind(it.key());
        if (found == index.cend()) {
            // Deleted from the card's own menu: the card is still on the call stack.
            it.value()->hide();
            it.value()->deleteLater();
            it = m_cards.erase(it);
            continue;
        }
        it.value()->move(strip_layout::cardRect(*found).topLeft());
        ++it;
    }
    updateCards();
}

void HistoryGridView::updateCards() {
    if (!isVisible())
        return;
    const int count = int(m_shown.size());
    const int left = horizontalScrollBar()->value();
    const int width = viewport()->width();
    const strip_layout::Range visible = strip_layout::cardsIn(count, left, width);
    const strip_layout::Range kept = strip_layout::cardsIn(count, left, width, width);
    for (auto it = m_cards.begin(); it != m_cards.end();) {
        const int i = (it.value()->x() - strip_layout::paddingX) /
                      (strip_layout::cardWidth + strip_layout::spacing);
        if (!kept.contains(i)) {
            delete it.value();
            it = m_cards.erase(it);
        } else {
            ++it;
        }
    }
    for (int i = visible.first; i < visible.end; ++i) {
        const Screenshot& screenshot = m_shown[i];
        if (m_cards.contains(screenshot.id()))
            continue;
        auto* card = new ScreenshotCard(screenshot, m_context, m_row);
        card->move(strip_layout::cardRect(i).topLeft());
        card->show();
        m_cards.insert(screenshot.id(), card);
        card->loadImage();
    }
    updateHover();
}

void HistoryGridView::updateHover() {
    const QPoint pointer = QCursor::pos();
    const bool inView =
        isVisible() && viewport()->rect().contains(viewport()->mapFromGlobal(pointer));
    for (ScreenshotCard* card : std::as_const(m_cards))
        card->setHover(inView && card->rect().contains(card->mapFromGlobal(pointer)));
}

void HistoryGridView::wheelEvent(QWheelEvent* event) {
    // Either wheel axis moves the row sideways.
    int distance = 0;
    const QPoint pixels = event->pixelDelta();
    if (!pixels.isNull()) {
        distance = std::abs(pixels.x()) > std::abs(pixels.y()) ? pixels.x() : pixels.y();
    } else {
        const QPoint angle = event->angleDelta();
        const int degrees = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
        distance = degrees * QApplication::wheelScrollLines() * pixelsPerLine / 120;
    }
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() - distance);
    event->accept();
}

void HistoryGridView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    updateCards();
}

void HistoryGridView::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    // Opened after a capture: the newest card is in view.
    const QUuid newest = m_shown.isEmpty() ? QUuid() : m_shown.first().id();
    if (newest != m_newestShown)
        horizontalScrollBar()->setValue(0);
    m_newestShown = newest;
    updateCards();
}

void HistoryGridView::hideEvent(QHideEvent* event) {
    QScrollArea::hideEvent(event);
    // Closed, the strip holds no card (none comes back hovered either): a single card's
    // picture would keep most of a megabyte for nothing, and the next opening reads them
    // again. Closed from a card's own handler (Edit, a double-click), that card is still on
    // the stack.
    for (ScreenshotCard* card : std::as_const(m_cards)) {
        card->hide();
        card->deleteLater();
    }
    m_cards.clear();
    giveBackMemoryWhenIdle();
}

void HistoryGridView::giveBackMemoryWhenIdle() {
    QTimer::singleShot(giveBackDelayMs, this, [this] {
        if (isVisible())
            return;
        if (background::readers().activeThreadCount() > 0)
            giveBackMemoryWhenIdle();
        else
            freed_memory::giveBack();
    });
}
