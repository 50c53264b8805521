#pragma once

#include "core/services/Alerts.h"

// Alerts as message boxes, modal to their window or else to the whole program, wide enough
// to hold their message on a line or two.
class AlertsQMessageBox : public Alerts {
public:
    int run(const Alert& alert) override;
};
