#pragma once

#include "core/services/SystemLog.h"

#include <QStringList>

class SystemLogFake : public SystemLog {
public:
    void write(const QString& line) override { lines.append(line); }
    QStringList lines;
};
