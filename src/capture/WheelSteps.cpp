#include "capture/WheelSteps.h"

#include <algorithm>
#include <cmath>

int wheelClicksFor(double rows, double rowsPerClick) {
    if (rowsPerClick <= 0)
        return 1;
    return std::max(1, static_cast<int>(std::floor(rows / rowsPerClick)));
}
