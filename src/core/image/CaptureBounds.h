#pragma once

#include <QSize>
#include <QtGlobal>

// The largest picture the program can make: a scrolling capture of the most frames on
// the largest screen (a full-screen capture is at most the whole desktop). A picture
// larger than that is none of ours, and reading it would only take memory and time, so
// every reader treats it as unreadable.
namespace capture_bounds {

constexpr int mostFrames = 40;

// The desktop in device pixels: its largest screen and the whole of it. Captures made on
// a larger screen than this machine has now (a monitor since unplugged) stay readable up
// to a 4K screen's. Sets Qt's image reader limit to match.
void setScreens(QSize largestScreen, QSize desktop);

// The largest capture's width and height.
QSize largest();
bool fits(QSize pictureSize);
// The most bytes the PNG file of a capture can take (stored without compression).
qint64 largestFileBytes();

} // namespace capture_bounds
