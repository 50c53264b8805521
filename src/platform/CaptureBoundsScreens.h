#pragma once

// Keeps the largest capture the readers accept (core/image/CaptureBounds) to the screens
// the desktop has, now and whenever one is added or changes.
namespace capture_bounds_screens {

void follow();

} // namespace capture_bounds_screens
