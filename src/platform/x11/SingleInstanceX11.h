#pragma once

#include "platform/x11/XcbConnection.h"

#include <QtGlobal>

// One Quillbox per X display: the running instance owns a selection on the display, which
// the server frees when the owner's connection closes, however the program ends. A second
// instance would find every hot key taken and put a second icon in the tray.
class SingleInstanceX11 {
public:
    // Needs a QGuiApplication running on the xcb platform.
    SingleInstanceX11();
    ~SingleInstanceX11();
    SingleInstanceX11(const SingleInstanceX11&) = delete;
    SingleInstanceX11& operator=(const SingleInstanceX11&) = delete;

    // Takes the display for this process. Waits up to `timeoutMs` for an instance that is
    // quitting, since a relaunch starts the new one before the old has gone. False when
    // another instance keeps running.
    bool claim(int timeoutMs);

private:
    XcbConnection m_connection; // Qt's own: the selection lives as long as the program
    quint32 m_window = 0;
};
