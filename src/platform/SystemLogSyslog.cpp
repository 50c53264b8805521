#include "platform/SystemLogSyslog.h"

#include <cstdio>
#include <syslog.h>

SystemLogSyslog::SystemLogSyslog() {
    openlog("quillbox", LOG_PID, LOG_USER);
}

SystemLogSyslog::~SystemLogSyslog() {
    closelog();
}

void SystemLogSyslog::write(const QString& line) {
    const QByteArray text = line.toUtf8();
    syslog(LOG_NOTICE, "%s", text.constData());
    std::fprintf(stderr, "%s\n", text.constData());
}
