#pragma once

#include <QString>
#include <cerrno>
#include <cstring>

// The system's own words for an errno value ("No space left on device"): what the file
// code tells the user when a call fails.
inline QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}
