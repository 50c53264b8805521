#pragma once

#include <QAbstractButton>

// The white-on-dark capsule of a card's overlay: a symbol and a title.
class CapsuleButton : public QAbstractButton {
    Q_OBJECT
public:
    CapsuleButton(const QString& title, const QString& symbolName, QWidget* parent = nullptr);
    void setContent(const QString& title, const QString& symbolName);
    const QString& symbolName() const { return m_symbol; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};

// The round "…" button that opens a card's menu.
class MoreMenuButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MoreMenuButton(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
