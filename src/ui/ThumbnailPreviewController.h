#pragma once

#include "core/library/Screenshot.h"
#include "ui/Later.h"
#include "ui/ThumbnailPreviewView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class HistoryManager;
class ScreenClearance;

// The floating card shown after a capture: at most one is current; it goes by itself after
// its lifetime unless the pointer rests on it. `show` and `dismissNow` are virtual so flows
// that call them can be tested without a card.
class ThumbnailPreviewController : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        HistoryManager& library;
        // Opens the editor on a capture.
        std::function<void(const Screenshot&)> edit = {};
        Later later = timerLater();
        // Watches the screen while cards leave it before a capture; none: they just hide.
        ScreenClearance* clearance = nullptr;
    };

    static constexpr double defaultLifetime = 5.0;
    static constexpr double resumeLifetime = 2.0;
    static constexpr int slideInMs = 280;
    static constexpr int slideOutMs = 200;

    explicit ThumbnailPreviewController(Collaborators collaborators, QObject* parent = nullptr);
    ~ThumbnailPreviewController() override;

    virtual void show(const Screenshot& screenshot);
    virtual void dismissNow(bool animated);
    // Before a capture: every card of ours, current or sliding out, leaves the screen, and
    // `then` runs once the screen below shows again.
    void hideThen(std::function<void()> then);

    // The current card; null when none is up.
    ThumbnailPreviewView* window() const { return m_window; }
    bool dismissScheduled() const { return m_dismissScheduled; }

private:
    void scheduleDismiss(double seconds);
    void cancelDismiss();
    static void positionInBottomLeft(ThumbnailPreviewView* panel);

    Collaborators m_c;
    QPointer<ThumbnailPreviewView> m_window;
    // Cards sliding out: no longer current, still on the screen for a moment.
    QList<QPointer<ThumbnailPreviewView>> m_leaving;
    quint64 m_dismissGeneration = 0;
    bool m_dismissScheduled = false;
};
