#pragma once

#include "core/services/Alerts.h"

#include <QList>

// Records every alert and answers with a preset button.
class AlertsFake : public Alerts {
public:
    int run(const Alert& alert) override {
        shown.append(alert);
        return answer;
    }

    QList<Alert> shown;
    int answer = 0;
};
