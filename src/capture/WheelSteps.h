#pragma once

// How many wheel clicks scroll about `pixels` pixels without ever scrolling more: X11
// programs move a fixed distance per click, and a step that overshoots the frames'
// overlap cannot be joined. At least one click.
int wheelClicksFor(int pixels);

// The farthest one wheel click scrolls in the programs measured.
inline constexpr int largestPixelsPerWheelClick = 120;
