#pragma once

#include "core/services/Pasteboard.h"

// The application clipboard. The resident program owns the selection and serves
// pastes from the bytes it was given.
class PasteboardQt : public Pasteboard {
public:
    void write(const QList<Representation>& representations) override;
};
