#pragma once

#include "core/services/Alerts.h"

// Alerts as application-modal message boxes.
class AlertsQMessageBox : public Alerts {
public:
    int run(const Alert& alert) override;
};
