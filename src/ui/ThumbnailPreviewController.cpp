#include "ui/ThumbnailPreviewController.h"

#include "core/library/HistoryManager.h"
#include "ui/ScreenClearance.h"
#include "ui/ThumbnailPlacement.h"
#include "ui/ThumbnailPreviewView.h"

#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <cmath>

namespace {

QParallelAnimationGroup* slide(QWidget* panel, double opacity, QPoint to, int ms,
                               QEasingCurve::Type easing) {
    auto* group = new QParallelAnimationGroup(panel);
    auto* fade = new QPropertyAnimation(panel, "windowOpacity", group);
    fade->setEndValue(opacity);
    auto* move = new QPropertyAnimation(panel, "pos", group);
    move->setEndValue(to);
    for (QPropertyAnimation* animation : {fade, move}) {
        animation->setDuration(ms);
        animation->setEasingCurve(easing);
        group->addAnimation(animation);
    }
    return group;
}

void stopSliding(QWidget* panel) {
    for (auto* group : panel->findChildren<QParallelAnimationGroup*>(Qt::FindDirectChildrenOnly))
        group->stop();
}

} // namespace

ThumbnailPreviewController::ThumbnailPreviewController(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_c(std::move(collaborators)) {}

ThumbnailPreviewController::~ThumbnailPreviewController() {
    delete m_window.data();
    for (const QPointer<ThumbnailPreviewView>& panel : std::as_const(m_leaving))
        delete panel.data();
}

void ThumbnailPreviewController::show(const Screenshot& screenshot) {
    dismissNow(false);
    const QPointer<ThumbnailPreviewController> self(this);
    ThumbnailPreviewView::Actions actions{
        .onCopy =
            [&library = m_c.library, screenshot](QObject* context, std::function<void(bool)> done) {
                library.copyToClipboard(screenshot, context, std::move(done));
            },
        .onEdit =
            [self, screenshot] {
                if (!self)
                    return;
                if (self->m_c.edit)
                    self->m_c.edit(screenshot);
                self->dismissNow(true);
            },
        .onReveal =
            [self, screenshot] {
                if (!self)
                    return;
                self->m_c.library.revealInFinder(screenshot);
                self->dismissNow(true);
            },
        .onDismiss =
            [self] {
                if (self)
                    self->dismissNow(true);
            },
        .onHoverChange =
            [self](bool hovering) {
                if (!self)
                    return;
                if (hovering)
                    self->cancelDismiss();
                else
                    self->scheduleDismiss(resumeLifetime);
            },
    };
    auto* panel = new ThumbnailPreviewView(
        screenshot, std::move(actions),
        [self, screenshot] { return self ? self->m_c.library.fileURL(screenshot) : QString(); },
        m_c.later);
    positionInBottomLeft(panel);
    const QPoint home = panel->pos();
    panel->move(home - QPoint(30, 0));
    panel->setWindowOpacity(0);
    panel->show();
    panel->raise();
    slide(panel, 1, home, slideInMs, QEasingCurve::OutCubic)
        ->start(QAbstractAnimation::DeleteWhenStopped);
    m_window = panel;
    scheduleDismiss(defaultLifetime);
}

void ThumbnailPreviewController::dismissNow(bool animated) {
    cancelDismiss();
    if (!m_window)
        return;
    ThumbnailPreviewView* panel = m_window;
    m_window = nullptr;
    stopSliding(panel);
    if (!animated) {
        panel->dispose();
        return;
    }
    m_leaving.append(panel);
    auto* away = slide(panel, 0, panel->pos() - QPoint(20, 0), slideOutMs, QEasingCurve::InCubic);
    // The panel it was given: a card shown meanwhile is not touched.
    connect(away, &QAbstractAnimation::finished, panel, [this, panel] {
        m_leaving.removeAll(panel);
        panel->dispose();
    });
    away->start(QAbstractAnimation::DeleteWhenStopped);
}

void ThumbnailPreviewController::hideThen(std::function<void()> then) {
    QRect area;
    QList<QPointer<ThumbnailPreviewView>> shown = m_leaving;
    shown.append(m_window);
    for (const QPointer<ThumbnailPreviewView>& panel : std::as_const(shown)) {
        if (panel && panel->isVisible())
            area |= panel->frameGeometry();
    }
    const auto hide = [this] {
        dismissNow(false);
        const QList<QPointer<ThumbnailPreviewView>> leaving = std::exchange(m_leaving, {});
        for (const QPointer<ThumbnailPreviewView>& panel : leaving) {
            if (panel) {
                stopSliding(panel);
                panel->dispose();
            }
        }
    };
    if (!m_c.clearance) {
        hide();
        then();
        return;
    }
    if (area.isEmpty()) {
        hide();
        m_c.clearance->whenClear(std::move(then));
        return;
    }
    m_c.clearance->hideThen(area, hide, std::move(then));
}

void ThumbnailPreviewController::scheduleDismiss(double seconds) {
    cancelDismiss();
    m_dismissScheduled = true;
    const quint64 generation = m_dismissGeneration;
    m_c.later(static_cast<int>(std::lround(seconds * 1000)), this, [this, generation] {
        if (generation != m_dismissGeneration || !m_dismissScheduled)
            return;
        m_dismissScheduled = false;
        dismissNow(true);
    });
}

void ThumbnailPreviewController::cancelDismiss() {
    ++m_dismissGeneration;
    m_dismissScheduled = false;
}

void ThumbnailPreviewController::positionInBottomLeft(ThumbnailPreviewView* panel) {
    // With no screen at all the panel stays at the origin.
    // The card itself goes in the corner; its shadow, if any, lies around it.
    const std::optional<QPoint> topLeft =
        thumbnail_placement::topLeftOnScreens(panel->cardRect().size());
    if (topLeft)
        panel->move(*topLeft - panel->cardRect().topLeft());
}
