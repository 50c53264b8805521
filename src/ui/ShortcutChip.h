#pragma once

#include <QAbstractButton>

// The key-combination chip of a shortcut row: the combination, or "Press keys…" while
// recording; marked when the combination does not work as a global shortcut.
class ShortcutChip : public QAbstractButton {
    Q_OBJECT
public:
    explicit ShortcutChip(QWidget* parent = nullptr);

    void setRecording(bool recording);
    bool isRecording() const { return m_recording; }
    void setCombinationText(const QString& text);
    // A broken combination shows in orange; the tooltip says why.
    void setBroken(bool broken);
    bool isBroken() const { return m_broken; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString shownText() const;

    QString m_combination;
    bool m_recording = false;
    bool m_broken = false;
};
