#pragma once

#include <QFrame>

// A card of the settings window: a faint rounded panel behind its content.
class SettingsCard : public QFrame {
    Q_OBJECT
public:
    // `padded`: the usual 14 x 10 margins; without, the content brings its own.
    explicit SettingsCard(bool padded = true, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
