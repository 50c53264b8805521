#pragma once

#include "core/services/SoundPlayer.h"

class SoundPlayerFake : public SoundPlayer {
public:
    void playCaptureSound() override { ++captureSounds; }
    void beep() override { ++beeps; }

    int captureSounds = 0;
    int beeps = 0;
};
