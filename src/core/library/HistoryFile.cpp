#include "core/library/HistoryFile.h"

#include "core/io/GuardedFile.h"
#include "core/library/HistoryCoding.h"

#include <sys/stat.h>

namespace history_file {
namespace {

// Far above any real history (a million records is about 140 MB): anything larger is
// not ours, and reading it would only eat memory.
constexpr qint64 largestHistoryBytes = qint64(256) << 20;

QString stampOf(const struct stat& info) {
    return QString::number(info.st_dev) + QLatin1Char(':') + QString::number(info.st_ino) +
           QLatin1Char(':') + QString::number(info.st_size) + QLatin1Char(':') +
           QString::number(info.st_mtim.tv_sec) + QLatin1Char('.') +
           QString::number(info.st_mtim.tv_nsec) + QLatin1Char(':') +
           QString::number(info.st_ctim.tv_sec) + QLatin1Char('.') +
           QString::number(info.st_ctim.tv_nsec);
}

} // namespace

std::optional<QList<Screenshot>> read(const QString& path, std::unique_ptr<QFile>& opened,
                                      QString* error) {
    std::unique_ptr<QFile> file = guarded_file::open(path, largestHistoryBytes, error);
    if (!file)
        return std::nullopt;
    const std::optional<QByteArray> bytes =
        guarded_file::readAll(*file, largestHistoryBytes, error);
    if (!bytes)
        return std::nullopt;
    auto decoded = history_coding::decode(*bytes, error);
    if (decoded)
        opened = std::move(file);
    return decoded;
}

QString stamp(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return stampOf(info);
}

QString stamp(const QFile& file) {
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0)
        return {};
    return stampOf(info);
}

} // namespace history_file
