#pragma once

#include "core/services/SystemLog.h"

// syslog(3) under the identity "quillbox", and the same line on stderr.
class SystemLogSyslog : public SystemLog {
public:
    SystemLogSyslog();
    ~SystemLogSyslog() override;
    void write(const QString& line) override;
};
