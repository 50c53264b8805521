#pragma once

#include "core/library/HistoryManager.h"
#include "core/services/SoundPlayer.h"
#include "platform/PasteboardQt.h"
#include "platform/SystemLogSyslog.h"
#include "platform/UserDefaultsQSettings.h"
#include "platform/x11/WorkspaceFreedesktop.h"

#include <QStandardPaths>
#include <cstdio>

// What a test program driving the program's own parts builds: the library over the real
// platform services in the session's data folder, as the program does, and a sound player
// that only says "beep" on stderr.
struct DriverServices {
    class PrintedSound : public SoundPlayer {
    public:
        void playCaptureSound() override {}
        void beep() override { std::fprintf(stderr, "beep\n"); }
    };

    UserDefaultsQSettings defaults;
    WorkspaceFreedesktop workspace;
    PasteboardQt pasteboard;
    SystemLogSyslog log;
    HistoryManager library{{defaults, workspace, pasteboard, log,
                            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)}};
    PrintedSound sound;
};
