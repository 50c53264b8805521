#include "quillbox-capture/CaptureArguments.h"

#include <QFileInfo>
#include <cstdio>

QString CaptureArguments::usage() {
    return QStringLiteral("usage: quillbox-capture [-i -s | -i -w [-o]] [-x] [--] path");
}

std::optional<CaptureArguments> CaptureArguments::parse(const QStringList& arguments,
                                                        QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    bool interactive = false, area = false, window = false, shadowless = false;
    bool optionsEnded = false;
    QStringList paths;
    CaptureArguments result;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith(u'-') || argument.size() == 1) {
            paths.append(argument);
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"-h" || argument == u"--help") {
            CaptureArguments help;
            help.help = true;
            return help;
        } else if (argument == u"-i") {
            interactive = true;
        } else if (argument == u"-s") {
            area = true;
        } else if (argument == u"-w") {
            window = true;
        } else if (argument == u"-x") {
            result.quiet = true;
        } else if (argument == u"-o") {
            shadowless = true;
        } else {
            return fail(QStringLiteral("unknown option ") + argument);
        }
    }
    if (paths.isEmpty() || paths.first().isEmpty())
        return fail(QStringLiteral("no output path"));
    if (paths.size() > 1)
        return fail(QStringLiteral("more than one path"));
    result.path = paths.first();
    if (area && window)
        return fail(QStringLiteral("-s and -w exclude each other"));
    if ((area || window) && !interactive)
        return fail(QStringLiteral("-s and -w need -i"));
    if (shadowless && !window)
        return fail(QStringLiteral("-o needs -w"));
    if (interactive)
        result.mode = window ? Mode::window : Mode::area;
    return result;
}

QString CaptureArguments::unwritableReason() const {
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("no such folder");
    if (!folder.isExecutable())
        return QStringLiteral("the folder is not accessible");
    if (target.isDir())
        return QStringLiteral("it is a folder");
    if (target.exists() && !target.isFile())
        return QStringLiteral("it is not a regular file");
    if (!folder.isWritable())
        return QStringLiteral("the folder is read-only");
    return {};
}

std::optional<CaptureArguments> CaptureArguments::fromCommandLine(int argc, char** argv,
                                                                  int& exitStatus) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    std::optional<CaptureArguments> parsed = parse(arguments, &error);
    if (!parsed) {
        std::fprintf(stderr, "quillbox-capture: %s\n%s\n", qPrintable(error), qPrintable(usage()));
        exitStatus = 2;
        return std::nullopt;
    }
    if (parsed->help) {
        std::printf("%s\n", qPrintable(usage()));
        exitStatus = 0;
        return std::nullopt;
    }
    // Said before anything is grabbed or shown, not after the user has picked.
    if (const QString why = parsed->unwritableReason(); !why.isEmpty()) {
        exitStatus = captureFailure(QStringLiteral("cannot write ") + parsed->path +
                                    QStringLiteral(": ") + why);
        return std::nullopt;
    }
    return parsed;
}

int captureFailure(const QString& message) {
    std::fprintf(stderr, "quillbox-capture: %s\n", qPrintable(message));
    return 1;
}
