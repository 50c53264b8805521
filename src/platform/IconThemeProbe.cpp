#include "platform/IconThemeProbe.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QSet>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace icon_theme_probe {

namespace {

// When `path` was last modified, in nanoseconds; nothing when it is missing. Read here
// rather than through QFileInfo, whose local times would load the time zone first.
std::optional<qint64> modified(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

// A theme folder without a usable cache is searched by hand up to this many entries.
constexpr int searchLimit = 2000;
constexpr quint32 none = 0xffffffff;

// The names Qt tries in turn: the name, then shortened at each dash from the end.
QStringList shortenings(const QStringList& names) {
    QStringList all;
    for (QString name : names) {
        while (!name.isEmpty()) {
            if (!all.contains(name))
                all.append(name);
            const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
            name.truncate(dash < 0 ? 0 : dash);
        }
    }
    return all;
}

// The GTK icon cache of a theme folder (icon-theme.cache): a hash of icon names, all
// numbers big-endian. Qt trusts it only while it is newer than the folders it lists.
class IconCache {
public:
    explicit IconCache(const QString& folder)
        : m_file(folder + QStringLiteral("/icon-theme.cache")) {
        const std::optional<qint64> written = modified(m_file.fileName());
        if (!written || modified(folder) > written || !m_file.open(QIODevice::ReadOnly))
            return;
        m_size = m_file.size();
        m_data = m_file.map(0, m_size);
        if (!m_data || read16(0) != 1)
            return;
        const std::optional<quint32> folders = read32(8);
        const std::optional<quint32> count = folders ? read32(*folders) : std::nullopt;
        if (!count)
            return;
        for (quint32 i = 0; i < *count; ++i) {
            const std::optional<quint32> name = read32(*folders + 4 + 4 * i);
            const char* text = name ? string(*name) : nullptr;
            if (!text || modified(folder + QLatin1Char('/') + QString::fromUtf8(text)) > written)
                return;
        }
        m_valid = true;
    }

    // Whether the cache lists `name`; nothing when it cannot tell.
    std::optional<bool> lists(const QString& name) const {
        if (!m_valid)
            return std::nullopt;
        const QByteArray key = name.toUtf8();
        const std::optional<quint32> hash = read32(4);
        const std::optional<quint32> buckets = hash ? read32(*hash) : std::nullopt;
        if (!buckets || *buckets == 0)
            return std::nullopt;
        std::optional<quint32> icon = read32(*hash + 4 + 4 * (nameHash(key) % *buckets));
        for (int steps = 0; icon && *icon != none; ++steps) {
            const std::optional<quint32> nameAt = read32(*icon + 4);
            const char* text = nameAt ? string(*nameAt) : nullptr;
            if (!text || steps > 100000)
                return std::nullopt;
            if (key == text)
                return true;
            icon = read32(*icon);
        }
        return icon ? std::optional<bool>(false) : std::nullopt;
    }

private:
    // GTK's icon_name_hash, over signed characters.
    static quint32 nameHash(const QByteArray& key) {
        quint32 h = static_cast<quint32>(static_cast<qint32>(static_cast<signed char>(key[0])));
        for (qsizetype i = 1; i < key.size(); ++i)
            h = (h << 5) - h + static_cast<quint32>(static_cast<signed char>(key[i]));
        return h;
    }
    std::optional<quint16> read16(quint64 at) const {
        if (at + 2 > quint64(m_size))
            return std::nullopt;
        return quint16(m_data[at] << 8 | m_data[at + 1]);
    }
    std::optional<quint32> read32(quint64 at) const {
        if (at + 4 > quint64(m_size))
            return std::nullopt;
        return quint32(m_data[at]) << 24 | quint32(m_data[at + 1]) << 16 |
               quint32(m_data[at + 2]) << 8 | quint32(m_data[at + 3]);
    }
    // A terminated string inside the file, else null.
    const char* string(quint32 at) const {
        if (at >= quint64(m_size))
            return nullptr;
        const auto* text = reinterpret_cast<const char*>(m_data + at);
        return std::memchr(text, 0, size_t(m_size - at)) ? text : nullptr;
    }

    QFile m_file;
    uchar* m_data = nullptr;
    qint64 m_size = 0;
    bool m_valid = false;
};

// Whether a theme folder may hold a picture by one of `names`.
bool folderMayHave(const QString& folder, const QStringList& names) {
    const IconCache cache(folder);
    bool known = true;
    for (const QString& name : names) {
        const std::optional<bool> listed = cache.lists(name);
        if (listed.value_or(false))
            return true;
        known = known && listed.has_value();
    }
    if (known)
        return false;
    // No cache to trust: every file below, as far as the search may go.
    QSet<QString> files;
    for (const QString& name : names) {
        for (const char* suffix : {".png", ".svg", ".svgz", ".xpm"})
            files.insert(name + QLatin1String(suffix));
    }
    QDirIterator entries(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    for (int seen = 0; entries.hasNext(); ++seen) {
        entries.next();
        if (seen >= searchLimit || files.contains(entries.fileName()))
            return true;
    }
    return false;
}

// The themes a theme's index says it inherits, from any folder holding that theme.
QStringList inherited(const QStringList& folders) {
    QStringList parents;
    for (const QString& folder : folders) {
        QFile index(folder + QStringLiteral("/index.theme"));
        if (!index.open(QIODevice::ReadOnly))
            continue;
        // The key is in the first section; hicolor's index goes on for 55 KB after it.
        bool inHeader = false;
        for (QByteArray line; !(line = index.readLine()).isEmpty();) {
            line = line.trimmed();
            if (line.startsWith('[')) {
                if (inHeader)
                    break;
                inHeader = line == "[Icon Theme]";
            } else if (inHeader && line.startsWith("Inherits") && line.contains('=')) {
                const QByteArray value = line.mid(line.indexOf('=') + 1);
                for (const QByteArray& parent : value.split(','))
                    parents.append(QString::fromUtf8(parent.trimmed()));
            }
        }
    }
    return parents;
}

} // namespace

bool mayHave(const QStringList& names) {
    const QStringList wanted = shortenings(names);
    QStringList themes{QIcon::themeName(), QIcon::fallbackThemeName(), QStringLiteral("hicolor")};
    QSet<QString> visited;
    for (qsizetype i = 0; i < themes.size(); ++i) {
        const QString theme = themes[i];
        if (theme.isEmpty() || visited.contains(theme))
            continue;
        visited.insert(theme);
        QStringList folders;
        for (const QString& path : QIcon::themeSearchPaths()) {
            const QString folder = path + QLatin1Char('/') + theme;
            if (!QFileInfo(folder).isDir())
                continue;
            // Pictures compiled into the program: no cache to ask.
            if (folder.startsWith(QLatin1Char(':')) || folderMayHave(folder, wanted))
                return true;
            folders.append(folder);
        }
        themes.append(inherited(folders));
    }
    for (const QString& path : QIcon::fallbackSearchPaths()) {
        for (const QString& name : wanted) {
            for (const char* suffix : {".png", ".svg", ".svgz", ".xpm"}) {
                if (QFileInfo::exists(path + QLatin1Char('/') + name + QLatin1String(suffix)))
                    return true;
            }
        }
    }
    return false;
}

} // namespace icon_theme_probe
