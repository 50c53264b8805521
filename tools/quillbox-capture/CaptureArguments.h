#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The capture tool's command line:
//   quillbox-capture [-i -s | -i -w [-o]] [-x] [--] path
// -i interactive: -s an area (the default), -w a window with its frame (-o: without
// shadow, as it is always taken); without -i the whole screen. -x: no sound. "--" ends the
// options; -h or --help asks for the usage.
struct CaptureArguments {
    enum class Mode { screen, area, window };

    Mode mode = Mode::screen;
    bool quiet = false;
    bool help = false; // nothing else is set then
    QString path;

    // Nothing when the arguments are wrong; `error` then says why.
    static std::optional<CaptureArguments> parse(const QStringList& arguments, QString* error);
    static QString usage();
    // How both halves start: `parse` on the process's own arguments and the check of the
    // path. Nothing when the tool ends at once, with `exitStatus`: 0 the usage shown on
    // stdout, 2 wrong arguments, 1 a path that cannot be written (the reason on stderr).
    static std::optional<CaptureArguments> fromCommandLine(int argc, char** argv, int& exitStatus);

    // Why `path` surely cannot be written (its folder is missing, not accessible or
    // read-only; it is a folder, a device, a FIFO), checked before anything is grabbed or
    // shown; empty when it may be.
    QString unwritableReason() const;
};

// Says why on stderr, prefixed with the tool's name; returns the "nothing written" status.
int captureFailure(const QString& message);
