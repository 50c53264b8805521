#include "quillbox-capture/CaptureArguments.h"

#include <QFileInfo>
#include <cstdio>

QString CaptureArguments::usage() {
    return QStringLiteral("usage: quillbox-capture [-i -s | -i -w [-o]] [-x] path");
}

std::optional<CaptureArguments> CaptureArguments::parse(const QStringList& arguments,
                                                        QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (arguments.isEmpty())
        return fail(QStringLiteral("no output path"));
    bool interactive = false, area = false, window = false;
    CaptureArguments result;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option == u"-i")
            interactive = true;
        else if (option == u"-s")
            area = true;
        else if (option == u"-w")
            window = true;
        else if (option == u"-x")
            result.quiet = true;
        else if (option == u"-o")
            continue;
        else if (option.startsWith(u'-'))
            return fail(QStringLiteral("unknown option ") + option);
        else
            return fail(QStringLiteral("more than one path"));
    }
    result.path = arguments.last();
    if (result.path.isEmpty() || result.path.startsWith(u'-'))
        return fail(QStringLiteral("no output path"));
    if (area && window)
        return fail(QStringLiteral("-s and -w exclude each other"));
    if ((area || window) && !interactive)
        return fail(QStringLiteral("-s and -w need -i"));
    if (interactive)
        result.mode = window ? Mode::window : Mode::area;
    return result;
}

QString CaptureArguments::unwritableReason() const {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("no such folder");
    if (target.isDir())
        return QStringLiteral("it is a folder");
    if (!folder.isWritable())
        return QStringLiteral("the folder is read-only");
    return {};
}

std::optional<CaptureArguments> CaptureArguments::fromCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    std::optional<CaptureArguments> parsed = parse(arguments, &error);
    if (!parsed)
        std::fprintf(stderr, "quillbox-capture: %s\n%s\n", qPrintable(error), qPrintable(usage()));
    return parsed;
}

int captureFailure(const QString& message) {
    std::fprintf(stderr, "quillbox-capture: %s\n", qPrintable(message));
    return 1;
}
