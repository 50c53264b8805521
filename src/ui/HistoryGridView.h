#pragma once

#include "ui/ScreenshotCard.h"

#include <QHash>
#include <QList>
#include <QScrollArea>
#include <QUuid>

// The library as one row of cards, newest first, scrolling sideways only (the wheel too).
// Cards exist only near the visible part of the row: one is made, and loads its picture,
// when it scrolls into view, and is dropped again once it is a viewport's width away, so
// scrolling through a long library keeps only a few pictures in memory. A hidden row has
// no cards: they come back, and load again, when it shows.
class HistoryGridView : public QScrollArea {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& history;
        std::function<void(const Screenshot&)> edit;
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    };

    explicit HistoryGridView(Collaborators collaborators, QWidget* parent = nullptr);
    ~HistoryGridView() override;

    // The cards that exist, in row order.
    QList<ScreenshotCard*> cards() const;
    ScreenshotCard* card(const QUuid& id) const;
    QSize sizeHint() const override;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void libraryChanged();
    void updateCards();
    // The overlay goes to the card under the pointer, and only to it.
    void updateHover();
    void giveBackMemoryWhenIdle();

    ScreenshotCard::Context m_context;
    QWidget* m_row;
    QList<Screenshot> m_shown;
    QHash<QUuid, ScreenshotCard*> m_cards;
    // The newest capture when the strip was last on screen: a newer one is scrolled to.
    QUuid m_newestShown;
};
