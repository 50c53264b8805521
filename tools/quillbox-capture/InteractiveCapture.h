#pragma once

#include "platform/WindowList.h"
#include "quillbox-capture/CaptureSession.h"

#include <QImage>
#include <QRect>
#include <optional>

// Lets the user pick an area or a window on the frozen screen, with an overlay over every
// monitor. Needs a QApplication; returns the pick in screen device pixels, or nothing when
// the user cancelled.
std::optional<QRect> pickOnFrozenScreen(CaptureSession::Mode mode, const QImage& frozen,
                                        const QList<WindowList::Window>& windows);
