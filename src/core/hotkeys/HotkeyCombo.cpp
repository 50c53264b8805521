#include "core/hotkeys/HotkeyCombo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

namespace {

struct NamedKey {
    quint32 keyCode;
    char name;
};

constexpr NamedKey namedKeys[] = {
    {0, 'A'},  {11, 'B'}, {8, 'C'},  {2, 'D'},  {14, 'E'}, {3, 'F'},  {5, 'G'},  {4, 'H'},
    {34, 'I'}, {38, 'J'}, {40, 'K'}, {37, 'L'}, {46, 'M'}, {45, 'N'}, {31, 'O'}, {35, 'P'},
    {12, 'Q'}, {15, 'R'}, {1, 'S'},  {17, 'T'}, {32, 'U'}, {9, 'V'},  {13, 'W'}, {7, 'X'},
    {16, 'Y'}, {6, 'Z'},  {29, '0'}, {18, '1'}, {19, '2'}, {20, '3'}, {21, '4'}, {23, '5'},
    {22, '6'}, {26, '7'}, {28, '8'}, {25, '9'},
};

std::optional<quint32> unsigned32(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > 4294967295.0 || std::trunc(number) != number)
        return std::nullopt;
    return static_cast<quint32>(number);
}

} // namespace

QString HotkeyCombo::displayString() const {
    QString text;
    if (modifiers & control)
        text += QChar(0x2303);
    if (modifiers & option)
        text += QChar(0x2325);
    if (modifiers & shift)
        text += QChar(0x21E7);
    if (modifiers & command)
        text += QChar(0x2318);
    return text + keyName(keyCode);
}

QString HotkeyCombo::keyName(quint32 keyCode) {
    for (const NamedKey& key : namedKeys) {
        if (key.keyCode == keyCode)
            return QString(QLatin1Char(key.name));
    }
    return QStringLiteral("?");
}

QByteArray HotkeyCombo::encoded() const {
    const QJsonObject object{{QStringLiteral("keyCode"), static_cast<qint64>(keyCode)},
                             {QStringLiteral("modifiers"), static_cast<qint64>(modifiers)}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<HotkeyCombo> HotkeyCombo::decoded(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = unsigned32(object.value(QStringLiteral("keyCode")));
    const auto modifiers = unsigned32(object.value(QStringLiteral("modifiers")));
    if (!keyCode || !modifiers)
        return std::nullopt;
    return HotkeyCombo{*keyCode, *modifiers};
}
