#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>
#include <cstddef>
#include <optional>

// Enums with stable raw values (kept in files and preferences) describe their cases in one
// table of entries, in declaration order, each starting with `value` and `rawValue`.
// These read such a table.
namespace raw_values {

template <typename Entry, std::size_t N>
constexpr bool inDeclarationOrder(const Entry (&entries)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (static_cast<std::size_t>(entries[i].value) != i)
            return false;
    return true;
}

template <typename Entry, std::size_t N, typename Enum>
const Entry& entry(const Entry (&entries)[N], Enum value) {
    return entries[static_cast<std::size_t>(value)];
}

template <typename Entry, std::size_t N, typename Enum>
QString rawValue(const Entry (&entries)[N], Enum value) {
    return QString::fromLatin1(entry(entries, value).rawValue);
}

// Exact, case-sensitive match; anything else is no case.
template <typename Entry, std::size_t N>
auto fromRawValue(const Entry (&entries)[N], const QString& rawValue)
    -> std::optional<decltype(Entry::value)> {
    for (const Entry& e : entries)
        if (rawValue == QLatin1String(e.rawValue))
            return e.value;
    return std::nullopt;
}

template <typename Entry, std::size_t N>
auto allCases(const Entry (&entries)[N]) -> QList<decltype(Entry::value)> {
    QList<decltype(Entry::value)> cases;
    for (const Entry& e : entries)
        cases.append(e.value);
    return cases;
}

} // namespace raw_values

// Defines rawValue, fromRawValue (exact, case-sensitive; anything else is no case) and
// allCases of `Enum` from the table `entries` of the enclosing namespace.
#define QUILLBOX_RAW_VALUE_FUNCTIONS(Enum)                                                         \
    static_assert(raw_values::inDeclarationOrder(entries));                                        \
    QString rawValue(Enum value) {                                                                 \
        return raw_values::rawValue(entries, value);                                               \
    }                                                                                              \
    std::optional<Enum> fromRawValue(const QString& rawValue) {                                    \
        return raw_values::fromRawValue(entries, rawValue);                                        \
    }                                                                                              \
    const QList<Enum>& allCases() {                                                                \
        static const QList<Enum> cases = raw_values::allCases(entries);                            \
        return cases;                                                                              \
    }
