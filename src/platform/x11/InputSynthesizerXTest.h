#pragma once

#include "core/services/InputSynthesizer.h"

// Pointer moves and wheel clicks through the XTEST extension: button 4 turns the wheel up,
// button 5 down.
class InputSynthesizerXTest : public InputSynthesizer {
public:
    bool isAvailable() override;
    std::optional<QPointF> pointerPosition() override;
    void warpPointer(const QPointF& position) override;
    void scrollWheel(const QPointF& position, int clicks) override;
};
