#pragma once

#include "quillbox-capture/CaptureArguments.h"

#include <QByteArray>

// The tool's last step, the same for both halves: the PNG bytes go to the path it was
// given (atomically) and, unless asked for silence, the capture sound plays. Returns the
// tool's exit status.
int deliverCapture(const QByteArray& png, const CaptureArguments& arguments);
