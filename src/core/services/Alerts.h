#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Modal alerts: a message, an informative text and buttons, the first the default.
class Alerts {
public:
    struct Alert {
        enum class Kind { warning, information };

        QString messageText;
        QString informativeText;
        QStringList buttons; // in the order shown; the first is the default
        Kind kind = Kind::warning;
        // The window it belongs to, modal to that window only; none: to the whole program.
        QObject* window = nullptr;
    };
    virtual ~Alerts() = default;
    // Runs the alert modally; returns the index of the button chosen, or -1 when the
    // alert was closed without a choice.
    virtual int run(const Alert& alert) = 0;
};
