#include "app/ProgramModule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace program_module {

QString folder() {
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QDir::cleanPath(QFileInfo(program).absolutePath() + QLatin1Char('/') +
                           QStringLiteral(QUILLBOX_MODULE_PATH));
}

void* entryPoint(const QString& folder, const char* fileName, const char* symbol, QString* error) {
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(fileName));
    // Never closed: what it starts (signal handlers, network threads) lives as long as we do.
    void* module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    void* entry = module ? ::dlsym(module, symbol) : nullptr;
    if (!entry && error)
        *error = QString::fromLocal8Bit(::dlerror());
    return entry;
}

} // namespace program_module
