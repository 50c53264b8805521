#pragma once

#include "platform/Alerts.h"

// Alerts as application-modal message boxes.
class AlertsQMessageBox : public Alerts {
public:
    int run(const Alert& alert) override;
};
