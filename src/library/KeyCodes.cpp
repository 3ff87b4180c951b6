// The key-code tables of the string service: names and classes of the 127 virtual key codes of a
// Japanese (JIS) keyboard.

#include "Strings.h"

#include "Format.h"
#include "Trace.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int KeyCount = 127;

bool inRange(int code)
{
    return code >= 0 && code < KeyCount;
}

struct KeyTables
{
    QStringList ascii;
    QStringList shift;
    QStringList cmd;
    QStringList opt;
};

KeyTables buildTables()
{
    KeyTables t;
    for (int code = 0; code < KeyCount; ++code) {
        t.ascii.append(QLatin1Char('?') + QString::number(code));
    }
    // clang-format off
    static constexpr std::pair<int, const char*> named[] = {
        {0, "a"},         {1, "s"},       {2, "d"},       {3, "f"},       {4, "h"},        {5, "g"},
        {6, "z"},         {7, "x"},       {8, "c"},       {9, "v"},       {11, "b"},       {12, "q"},
        {13, "w"},        {14, "e"},      {15, "r"},      {16, "y"},      {17, "t"},       {18, "1"},
        {19, "2"},        {20, "3"},      {21, "4"},      {22, "6"},      {23, "5"},       {24, "^"},
        {25, "9"},        {26, "7"},      {27, "-"},      {28, "8"},      {29, "0"},       {30, "["},
        {31, "o"},        {32, "u"},      {33, "@"},      {34, "i"},      {35, "p"},       {36, "return"},
        {37, "l"},        {38, "j"},      {39, ":"},      {40, "k"},      {41, ";"},       {42, "]"},
        {43, ","},        {44, "/"},      {45, "n"},      {46, "m"},      {47, "."},       {48, "tab"},
        {49, " "},        {50, "`"},      {51, "delete"}, {52, "enter"},  {53, "escape"},  {65, "."},
        {67, "*"},        {69, "+"},      {71, "clear"},  {75, "/"},      {76, "enter"},   {78, "-"},
        {81, "="},        {82, "0"},      {83, "1"},      {84, "2"},      {85, "3"},       {86, "4"},
        {87, "5"},        {88, "6"},      {89, "7"},      {91, "8"},      {92, "9"},       {93, "|"},
        {94, "underscore "}, {96, "f5"},  {97, "f6"},     {98, "f7"},     {99, "f3"},      {100, "f8"},
        {101, "f9"},      {103, "f11"},   {105, "f13"},   {107, "f14"},   {109, "f10"},    {111, "f12"},
        {113, "f15"},     {114, "help"},  {115, "home"},  {116, "pgup"},  {117, "fdelete"}, {118, "f4"},
        {119, "end"},     {120, "f2"},    {121, "pgdn"},  {122, "f1"},    {123, "left"},   {124, "right"},
        {125, "down"},    {126, "up"},
    };
    // clang-format on
    for (const auto& [code, name] : named) {
        t.ascii[code] = QString::fromLatin1(name);
    }

    // The shift table: letters and named keys in upper case, the symbols of the shifted keys below,
    // everything else (the "?" codes, blank, "`", "*", "+", "-", "=", keypad "0", "|") as it is.
    t.shift = t.ascii;
    for (int code = 0; code < KeyCount; ++code) {
        const QString& name = t.ascii[code];
        if (!name.startsWith(QLatin1Char('?')) && name.front().isLetter()) {
            t.shift[code] = name.toUpper();
        }
    }
    // clang-format off
    static constexpr std::pair<int, const char*> shifted[] = {
        {18, "!"}, {19, "\""}, {20, "#"}, {21, "$"}, {22, "&"}, {23, "%"}, {24, "~"}, {25, ")"}, {26, "'"},
        {27, "Equals "}, {28, "("}, {29, "!"}, {30, "{"}, {33, "`"}, {39, "*"}, {41, "plus "}, {42, "}"},
        {43, "<"}, {44, "?"}, {47, ">"}, {65, ">"}, {75, "?"}, {83, "!"}, {84, "\""}, {85, "#"}, {86, "$"},
        {87, "%"}, {88, "&"}, {89, "'"}, {91, "("}, {92, ")"},
    };
    // clang-format on
    for (const auto& [code, name] : shifted) {
        t.shift[code] = QString::fromLatin1(name);
    }

    for (int code = 0; code < KeyCount; ++code) {
        t.cmd.append(QString());
    }
    // clang-format off
    static constexpr std::pair<int, const char*> commands[] = {
        {0, "select all"}, {1, "save"}, {2, "duplicate"}, {3, "find"}, {4, "hide application windows"},
        {5, "find next"}, {6, "undo"}, {7, "cut"}, {8, "copy"}, {9, "paste"}, {13, "close window"},
        {14, "use selection for find"}, {31, "open"}, {45, "new"}, {123, "start of line"},
        {124, "end of line"}, {125, "end of text"}, {126, "start of text"},
    };
    // clang-format on
    for (const auto& [code, name] : commands) {
        t.cmd[code] = QString::fromLatin1(name);
    }
    t.opt = t.cmd;
    t.opt[125] = QStringLiteral("end of line");
    return t;
}

const KeyTables& tables()
{
    // Built on first use; a function-local static is initialised once even with several threads.
    static const KeyTables instance = buildTables();
    return instance;
}

const QString& keyboardChars()
{
    static const QString text = QStringLiteral(u"1234567890-^\u00A5qwertyuiop@[[asdfghjkl];:]zxcvbnm,./_");
    return text;
}
const QString& keyboardShiftChars()
{
    static const QString text = QStringLiteral("!#$%&'()=~|QWERTYUIOP`{ASDFGHJKL+*}ZXCVBNM<>?_");
    return text;
}
const QString& upperPunctuationChars()
{
    static const QString text = QStringLiteral(u"\"!#$%&'()=~|-^\u00A5`{+*}>?_@[:]./");
    return text;
}

bool oneOf(int code, std::initializer_list<int> codes)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

constexpr std::initializer_list<int> DigitKeys = {18, 19, 20, 21, 22, 23, 25, 26, 28, 29};

void printTable(const QString& dashes, const QString& title, const QStringList& table)
{
    traceMessage(dashes);
    traceMessage(title);
    traceMessage(dashes);
    for (int code = 0; code < table.size(); ++code) {
        if (code % 10 == 0) {
            traceMessage(" ");
        }
        traceMessage("index:%d  ascii:%@", code, table[code]);
    }
}

} // namespace

QStringList Strings::db_ascii() const
{
    return tables().ascii;
}
QStringList Strings::db_shift() const
{
    return tables().shift;
}
QStringList Strings::db_cmd() const
{
    return tables().cmd;
}
QStringList Strings::db_opt() const
{
    return tables().opt;
}

QString Strings::getStringFromKeycodeMode(int code, int mode)
{
    const QString unknown = QStringLiteral("???");
    switch (mode) {
    case 0:
        return inRange(code) ? tables().ascii[code] : unknown;
    case 1:
        return inRange(code) ? tables().shift[code] : unknown;
    case 2:
        return inRange(code) ? tables().cmd[code] : unknown;
    case 3:
        return inRange(code) ? tables().opt[code] : unknown;
    case 4:
        TRACE("No database for ctl key yet");
        return unknown;
    default:
        TRACE("No key database for mode %d", mode);
        return unknown;
    }
}

int Strings::getKeycodeFromString(const QString& name)
{
    const qsizetype index = tables().ascii.indexOf(name);
    return index < 0 ? -1 : int(index);
}

bool Strings::isKeycodeAsciiChar(int code)
{
    if (!inRange(code)) {
        return false;
    }
    const QString& name = tables().ascii[code];
    return name.size() == 1 || name == QLatin1String("space");
}

bool Strings::isStringAsciiChar(const QString& name)
{
    return isKeycodeAsciiChar(getKeycodeFromString(name));
}

bool Strings::isKeycodeLetter(int code)
{
    if (!inRange(code)) {
        return false;
    }
    const QString& name = tables().ascii[code];
    return name.size() == 1 && name.front() >= QLatin1Char('a') && name.front() <= QLatin1Char('z');
}

bool Strings::isKeycodeNumber(int code)
{
    return oneOf(code, DigitKeys);
}

bool Strings::isKeycodePunctuationShift(int code, bool shift)
{
    return oneOf(code, {24, 27, 39, 41, 42, 43, 44, 47, 77, 81, 93}) || (shift && oneOf(code, DigitKeys));
}

bool Strings::isKeycodeArrow(int code)
{
    return code >= 123 && code <= 126;
}

bool Strings::isKeycodeDelete(int code)
{
    return code == 51 || code == 117;
}

bool Strings::isKeyCodeWordSeperatorShift(int code, bool shift)
{
    return oneOf(code, {36, 48, 47, 49, 52, 65}) || (shift && oneOf(code, {44, 18}));
}

bool Strings::isKeyCodeWordEndOfSentenceShift(int code, bool shift)
{
    return oneOf(code, {36, 47, 65}) || (shift && oneOf(code, {44, 18}));
}

bool Strings::isKeyCodeWordEndOfNumberShift(int code, bool shift)
{
    // A decimal point does not end a number.
    return isKeycodeLetter(code) || (isKeyCodeWordSeperatorShift(code, shift) && code != 47 && code != 65);
}

int Strings::whatIsKeyCodeShift(int code, bool shift)
{
    if (!inRange(code)) {
        return -1;
    }
    const QString& name = tables().ascii[code];
    if (isStrFnKey(name)) {
        return 4;
    }
    if (isStrCtlKey(name)) {
        return 3;
    }
    if (isKeycodePunctuationShift(code, shift)) {
        return 2;
    }
    if (isKeycodeNumber(code)) {
        return 1;
    }
    if (isKeycodeLetter(code)) {
        return 0;
    }
    if (isKeycodeArrow(code)) {
        return 5;
    }
    if (isKeycodeDelete(code)) {
        return 6;
    }
    return -1;
}

bool Strings::isStrFnKey(const QString& name)
{
    if (name.size() < 2 || name.size() > 3 || name.front() != QLatin1Char('f')) {
        return false;
    }
    bool ok = false;
    const int n = name.mid(1).toInt(&ok);
    return ok && n >= 1 && n <= 15 && QString::number(n) == name.mid(1);
}

bool Strings::isStrCtlKey(const QString& name)
{
    static const QStringList controlKeys{
        QStringLiteral("return"), QStringLiteral("delete"),  QStringLiteral("enter"), QStringLiteral("escape"),
        QStringLiteral("clear"),  QStringLiteral("help"),    QStringLiteral("pgup"),  QStringLiteral("pgdn"),
        QStringLiteral("home"),   QStringLiteral("fdelete"), QStringLiteral("end"),
    };
    return controlKeys.contains(name);
}

bool Strings::isStringInArray(const QString& text, const QStringList& array)
{
    return array.contains(text);
}

bool Strings::isStringInString(const QString& part, const QString& text)
{
    return !part.isEmpty() && text.contains(part);
}

bool Strings::isCharKeyboard(const QString& text)
{
    return isStringInString(text, keyboardChars());
}

bool Strings::isCharKeyboardShift(const QString& text)
{
    return isStringInString(text, keyboardShiftChars());
}

bool Strings::isCharUpperPuncuation(const QString& text)
{
    return isStringInString(text, upperPunctuationChars());
}

bool Strings::isCharWordSeperator(const QString& text)
{
    return isStringInString(text, QStringLiteral("!,.;: ?"));
}

bool Strings::isCharNumber(const QString& text)
{
    return isStringInString(text, QStringLiteral("0123456789"));
}

bool Strings::isCharNewline(const QString& text)
{
    return text == QLatin1String("\r") || text == QLatin1String("\n");
}

QString Strings::stringAddShiftShift(const QString& character, bool shift)
{
    if (character.size() != 1 || !isCharKeyboard(character)) {
        return QStringLiteral("???");
    }
    if (!shift) {
        return character;
    }
    // Two keyboard characters have no key named after them: the yen key is code 93, whose shifted
    // character is "|"; "_" is typed with shift already and stays "_".
    if (character == QStringLiteral(u"\u00A5")) {
        return tables().shift[93];
    }
    const int code = getKeycodeFromString(character);
    return code < 0 ? character : tables().shift[code];
}

QString Strings::asciiCodeToString(int n)
{
    return format("%c", n);
}

quint16 Strings::stringToAsciiCode(const QString& text)
{
    return text.isEmpty() ? 0 : text.front().unicode();
}

QString Strings::shortcutFromStringCmdOptionCtlShift(const QString& name, bool cmd, bool option, bool ctl, bool shift)
{
    return format("%@%@%@%@%@", cmd ? QStringLiteral("cmd+") : QString(), option ? QStringLiteral("opt+") : QString(),
                  ctl ? QStringLiteral("ctl+") : QString(), shift ? QStringLiteral("shift+") : QString(), name);
}

void Strings::printKeyCodes()
{
    const QString rule(38, QLatin1Char('-'));
    traceMessage(rule);
    traceMessage(" ");
    printTable(QStringLiteral("----------------"), QStringLiteral("| KEY_DATABASE |"), tables().ascii);
    printTable(QStringLiteral("----------------------"), QStringLiteral("| SHIFT_KEY_DATABASE |"), tables().shift);
    printTable(QStringLiteral("--------------------"), QStringLiteral("| CMD_KEY_DATABASE |"), tables().cmd);
    printTable(QStringLiteral("--------------------"), QStringLiteral("| OPT_KEY_DATABASE |"), tables().opt);
    traceMessage(rule);
    traceMessage(" ");
}
