#include "capture/WheelSteps.h"

#include <algorithm>

int wheelClicksFor(int pixels) {
    return std::max(1, pixels / largestPixelsPerWheelClick);
}
