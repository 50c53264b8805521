#pragma once

// Event sounds of the desktop's sound theme; silently nothing without a device.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // The capture sound ("screen-capture" in the sound theme).
    virtual void playCaptureSound() = 0;
    // The system beep, for failures with no message of their own.
    virtual void beep() = 0;
};
