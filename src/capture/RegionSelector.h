#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

class QScreen;
namespace selection {
struct Monitor;
}

// Lets the user drag a rectangle on the screen under the pointer and hands it back in
// global top-left coordinates, exactly once per request. GUI thread only.
class RegionSelector : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<QRectF>)>;
    // The screen's picture shown under the overlay; a null image leaves the overlay
    // translucent (which needs a compositing manager to look right).
    using BackdropProvider = std::function<QImage(QScreen*)>;

    explicit RegionSelector(BackdropProvider backdrop = {}, QObject* parent = nullptr);
    ~RegionSelector() override;

    // `completion` receives the rectangle, or nothing when the user cancelled (Esc, a
    // click, a drag under 20 points either way), no screen exists, or a newer request
    // replaced this one. It runs after the overlay has gone.
    void selectRegion(Completion completion);

    // The overlay while a selection is open (tests drive it).
    QWidget* overlay() const { return m_overlay; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handleCommit(const QRect& selection, const selection::Monitor& monitor);
    void finish(std::optional<QRectF> result);

    BackdropProvider m_backdrop;
    QPointer<QWidget> m_overlay;
    bool m_keyMonitor = false;
    Completion m_completion;
};
