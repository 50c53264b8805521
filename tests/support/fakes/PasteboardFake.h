#pragma once

#include "core/services/Pasteboard.h"

class PasteboardFake : public Pasteboard {
public:
    void write(const QList<Representation>& representations) override {
        contents = representations;
        ++writes;
    }
    QByteArray data(const QString& type) const {
        for (const auto& [t, bytes] : contents) {
            if (t == type)
                return bytes;
        }
        return {};
    }

    QList<Representation> contents;
    int writes = 0;
};
