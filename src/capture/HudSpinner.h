#pragma once

#include <QTimer>
#include <QWidget>

// A small indeterminate progress spinner: twelve ticks, the brightest one going round.
class HudSpinner : public QWidget {
    Q_OBJECT
public:
    explicit HudSpinner(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_phase = 0;
};
