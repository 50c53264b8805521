#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <functional>
#include <vector>

// Takes windows of ours off the screen before something reads it. Unmapping is not enough:
// the windows below repaint the uncovered area later, in their own time, and until then
// the screen still shows our window or a hole. So the area is watched until it shows
// something else and has stopped changing.
class ScreenClearance : public QObject {
    Q_OBJECT
public:
    // What the screen shows in a global rectangle; a null image when it cannot be read.
    using Grab = std::function<QImage(const QRect&)>;

    static constexpr int pollMs = 8;
    // Past this the capture goes ahead regardless: a window below may be hung.
    static constexpr int timeoutMs = 400;

    explicit ScreenClearance(Grab grab, QObject* parent = nullptr);

    // Calls `hide` at once, then `then` once `area` has been repainted; at once when the
    // screen cannot be read.
    void hideThen(const QRect& area, const std::function<void()>& hide, std::function<void()> then);
    // Calls `then` once no area is being watched any more: a capture started while an
    // earlier one still waits for the screen must not grab before it.
    void whenClear(std::function<void()> then);

private:
    Grab m_grab;
    int m_watching = 0;
    std::vector<std::function<void()>> m_waiting;
};
