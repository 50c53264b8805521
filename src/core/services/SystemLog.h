#pragma once

#include <QString>

// The system log. Lines carry their own "Quillbox: " prefix.
class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void write(const QString& line) = 0;
};
