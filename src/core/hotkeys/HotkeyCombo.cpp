#include "core/hotkeys/HotkeyCombo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

namespace {

struct NamedKey {
    quint32 keyCode;
    const char* name;
};

// The names PC keyboards print on the keys of the ANSI layout's virtual key codes; 114 is
// the key where PC keyboards have Insert.
constexpr NamedKey namedKeys[] = {
    {0, "A"},          {11, "B"},         {8, "C"},        {2, "D"},        {14, "E"},
    {3, "F"},          {5, "G"},          {4, "H"},        {34, "I"},       {38, "J"},
    {40, "K"},         {37, "L"},         {46, "M"},       {45, "N"},       {31, "O"},
    {35, "P"},         {12, "Q"},         {15, "R"},       {1, "S"},        {17, "T"},
    {32, "U"},         {9, "V"},          {13, "W"},       {7, "X"},        {16, "Y"},
    {6, "Z"},          {29, "0"},         {18, "1"},       {19, "2"},       {20, "3"},
    {21, "4"},         {23, "5"},         {22, "6"},       {26, "7"},       {28, "8"},
    {25, "9"},         {24, "="},         {27, "-"},       {30, "]"},       {33, "["},
    {39, "'"},         {41, ";"},         {42, "\\"},      {43, ","},       {44, "/"},
    {47, "."},         {50, "`"},         {36, "Return"},  {48, "Tab"},     {49, "Space"},
    {51, "Backspace"}, {53, "Esc"},       {117, "Delete"}, {114, "Insert"}, {115, "Home"},
    {119, "End"},      {116, "PgUp"},     {121, "PgDown"}, {123, "Left"},   {124, "Right"},
    {125, "Down"},     {126, "Up"},       {122, "F1"},     {120, "F2"},     {99, "F3"},
    {118, "F4"},       {96, "F5"},        {97, "F6"},      {98, "F7"},      {100, "F8"},
    {101, "F9"},       {109, "F10"},      {103, "F11"},    {111, "F12"},    {105, "F13"},
    {107, "F14"},      {113, "F15"},      {106, "F16"},    {64, "F17"},     {79, "F18"},
    {80, "F19"},       {90, "F20"},       {65, "Num ."},   {67, "Num *"},   {69, "Num +"},
    {75, "Num /"},     {76, "Num Enter"}, {78, "Num -"},   {81, "Num ="},   {82, "Num 0"},
    {83, "Num 1"},     {84, "Num 2"},     {85, "Num 3"},   {86, "Num 4"},   {87, "Num 5"},
    {88, "Num 6"},     {89, "Num 7"},     {91, "Num 8"},   {92, "Num 9"},
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
        text += QStringLiteral("Ctrl+");
    if (modifiers & option)
        text += QStringLiteral("Alt+");
    if (modifiers & shift)
        text += QStringLiteral("Shift+");
    if (modifiers & command)
        text += QStringLiteral("Super+");
    return text + keyName(keyCode);
}

QString HotkeyCombo::keyName(quint32 keyCode) {
    for (const NamedKey& key : namedKeys) {
        if (key.keyCode == keyCode)
            return QString::fromLatin1(key.name);
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
