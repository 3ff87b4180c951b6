#pragma once

#include "SharedInstance.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

/**
 * The string service: number tests and conversions, text editing, dates and times, number names,
 * HTML building and the key-code tables. Its definitions are spread by topic over Strings.cpp,
 * StringsDates.cpp, NumberNames.cpp, Html.cpp and KeyCodes.cpp.
 */
class Strings : public SharedInstance<Strings>
{
    friend class SharedInstance<Strings>;

public:
    // ---- Text utilities (Strings.cpp) ----

    // ---- Dates and times (StringsDates.cpp) ----

    // ---- Number names (NumberNames.cpp) ----
    // Numbers spelled out for speaking: the blanks between and around the words belong to the answer.

    /** The word of 0 to 20 and of the tens 30 to 90 ("fourty" for 40); "??" with a trace line otherwise. */
    QString getNumberName(int number);
    /** The words of one group of up to three digits (0 to 999 for a correct result); below 100 the text
     *  starts with a blank, the British form puts " and" after the hundreds. Never fails: counts without
     *  a word read "??". */
    QString hundredsToStringUkEnglish(qint64 number, bool ukEnglish);
    /** The words of the whole number: "zero", or "minus " for negatives followed by each non-zero group
     *  (trillions, billions, millions, thousands, units) with its group word and a blank. Every 64-bit
     *  number has an answer; trillions beyond 999 use the hundreds count, "??" where it has no word. */
    QString numberToStringUkEnglish(qint64 number, bool ukEnglish);

    // ---- HTML building (Html.cpp) ----
    // Every argument is pasted into its template unchanged: nothing is escaped or validated.

    /** "<tag>text</tag>". */
    QString htmlTagWithTag(const QString& text, const QString& tag);
    /** The text in a b / i / u / p element. */
    QString htmlBold(const QString& text);
    QString htmlItalics(const QString& text);
    QString htmlUnderline(const QString& text);
    QString htmlParagraph(const QString& text);
    /** "<br>". */
    QString htmlNewline();
    /** "<CENTER>text</CENTER>". */
    QString htmlCenter(const QString& text);
    /** "<font color=\"#hex\">text</font>". */
    QString htmlFontColorHexColor(const QString& text, const QString& hexColor);
    /** "<font size=\"n\">text</font>"; a size outside 1 to 7 writes a warning trace and builds it all the same. */
    QString htmlFontSizeSize(const QString& text, int size);
    /** "&nbsp;" count times; "" below 1, and "" with a trace line for counts beyond 65536. */
    QString htmlSpaces(int count);
    /** The text in a div aligned left (1), right (2), center (3) or justify (anything else). */
    QString htmlAlignAlign(const QString& text, int align);
    /** The text in a FONT element with the given background colour. */
    QString htmlHighlightTxtWithColor(const QString& text, const QString& color);
    /** "<a href=\"link\">text</a>". */
    QString htmlStrToLinkLink(const QString& text, const QString& link);
    /** An img element with source, width and height; the alignment does not enter the element. */
    QString htmlImgWidthHeightAlign(const QString& source, int width, int height, int align);
    /** A video element with controls playing the source as video/mp4, with the fallback sentence. */
    QString htmlVideoWidthHeight(const QString& source, int width, int height);
    /** An audio element with controls playing the source as audio/mpeg, with the fallback sentence. */
    QString htmlAudio(const QString& source);
    /** A whole html text whose body, of the given background colour, holds body. */
    QString htmlBackgroundColorBody(const QString& color, const QString& body);
    /** The background rule text for an image address with box sizes and a border; repeats is not used. */
    QString htmlBackgroundWidthHeightPaddingBorderColorRepeats(const QString& address, int width, int height,
                                                               int padding, int border, const QString& color,
                                                               bool repeats);

    /** Every occurrence of text in source wrapped in the tag (with a trace line); source unchanged for "". */
    QString htmlEncloseAllOfWithStrAndEnclosing(const QString& source, const QString& text, const QString& tag);
    /** Every occurrence of text in source highlighted with the colour; source unchanged for "". */
    QString htmlHighlightAllStrsWithStrAndColor(const QString& source, const QString& text, const QString& color);
    /** The content of the first tag element replaced; the source unchanged when it lacks either tag. */
    QString htmlReplaceTaggedWithWithSource(const QString& tag, const QString& replacement, const QString& source);
    /** The text inserted right after the first "<tag>"; source unchanged, with a warning, when it is missing. */
    QString htmlAddStrAfterStartTagSource(const QString& text, const QString& tag, const QString& source);
    /** The character before the first "</tag>" replaced by the text and a line break; source unchanged,
     *  with a warning, when the tag is missing. */
    QString htmlAddStrBeforeEndTagSource(const QString& text, const QString& tag, const QString& source);

    /** The document skeleton around body, with the markers the insert operations below look for. */
    QString htmlCreateDocumentWithBody(const QString& body);
    /** Style rules added before "-->", after the rules inserted earlier; html unchanged without the marker. */
    QString htmlStyleInsertHtml(const QString& rules, const QString& html);
    /** "font-family:font;\nfont-size:size;\n" put first in the style block (after "<!--\n"). */
    QString htmlStyleAddFontAndSizeHtml(const QString& font, int size, const QString& html);
    /** "color:color;\n" put first in the style block. */
    QString htmlStyleAddTxtColorHtml(const QString& color, const QString& html);
    /** "background-color:color;\n" put first in the body (after "<body>\n"). */
    QString htmlBodyAddBackgroundColorHtml(const QString& color, const QString& html);
    /** The text put first in the body. */
    QString htmlAddBodyHtml(const QString& text, const QString& html);
    /** The text added at the end of the body (before "</body>"), after the texts added earlier. */
    QString htmlAddToBodyHtml(const QString& text, const QString& html);
    /** A resource file's / a documents file's text added as style rules; a file that cannot be read
     *  writes "VELBOR WARNING: file not found" and adds no text. */
    QString htmlStyleInsertBundleFileHtml(const QString& name, const QString& html);
    QString htmlStyleInsertFileHtml(const QString& name, const QString& html);
    /** A resource file's / a documents file's text added at the end of the body; a file that cannot be
     *  read writes "VELBOR WARNING: file not found" and adds no text. */
    QString htmlBodyInsertBundleFileHtml(const QString& name, const QString& html);
    QString htmlBodyInsertFileHtml(const QString& name, const QString& html);
    /** The resource file of that name as UTF-8 text; none when missing, unreadable or not UTF-8. */
    std::optional<QString> readTxtFromBundle(const QString& name);
    /** The file of that name in the documents directory, in the encoding its byte-order mark names
     *  (UTF-8 without one); none when missing, unreadable or not decodable. */
    std::optional<QString> readTxtFromFile(const QString& name);

    /** The html with every tag removed. */
    QString htmlRemoveAllTags(const QString& html);
    /** The html without the plain "<tag>" and "</tag>" tags; tags of that name with attributes stay. */
    QString htmlRemoveTagOfType(const QString& html, const QString& tag);
    /** The html without the highlight opening tags of that colour and without every "</FONT>". */
    QString htmlRemoveHighlightColor(const QString& html, const QString& color);
    /** The integer in name="..." when name=" occurs exactly once; -1 otherwise. */
    int htmlGetValueFromStrName(const QString& text, const QString& name);
    /** The query address of engine 0 (encyclopedia), 1 to 3 (web searches) or 4 (knowledge engine), the
     *  query pasted in unencoded; any other engine gives a fixed query on the first web search. */
    QString htmlCreateSearchStringSearchEngine(const QString& query, int engine);

    // ---- Key-code tables (KeyCodes.cpp) ----
    // Keys are named by virtual key code, 0 to 126, on a Japanese (JIS) layout. Every operation answers
    // its failure value ("???", -1, NO) for a code outside 0 to 126. The tables are built on first use.

    /** The plain names of the 127 keys ("?10" for codes the layout does not use). */
    QStringList db_ascii() const;
    /** The names with shift held. */
    QStringList db_shift() const;
    /** The editing command of command with each key, "" for none. */
    QStringList db_cmd() const;
    /** The editing command of option with each key, "" for none. */
    QStringList db_opt() const;
    /** Mode 0 plain, 1 shift, 2 command, 3 option: the entry for code; "???" for a code outside 0 to
     *  126, for mode 4 (trace "No database for ctl key yet") and any other mode (a trace line). */
    QString getStringFromKeycodeMode(int code, int mode);
    /** The lowest code whose plain name equals name exactly; -1 when none does. */
    int getKeycodeFromString(const QString& name);
    /** YES when the plain name of code is one character long (or "space"). */
    bool isKeycodeAsciiChar(int code);
    /** isKeycodeAsciiChar of the code named name; NO for names not in the table. */
    bool isStringAsciiChar(const QString& name);
    /** YES for the 26 letter keys a to z. */
    bool isKeycodeLetter(int code);
    /** YES for the digit keys of the main block (18 to 23, 25, 26, 28, 29). */
    bool isKeycodeNumber(int code);
    /** YES for the punctuation keys; with shift also for the digit keys of the main block. */
    bool isKeycodePunctuationShift(int code, bool shift);
    /** YES for the arrow keys, 123 to 126. */
    bool isKeycodeArrow(int code);
    /** YES for the deleting keys: 51 (delete) and 117 (forward delete). */
    bool isKeycodeDelete(int code);
    /** YES for return, tab, the two ".", blank and enter; with shift also for "?" (44) and "!" (18). */
    bool isKeyCodeWordSeperatorShift(int code, bool shift);
    /** YES for return and the two "."; with shift also for 44 and 18. */
    bool isKeyCodeWordEndOfSentenceShift(int code, bool shift);
    /** YES for a letter, or for a word separator other than the two "." keys. */
    bool isKeyCodeWordEndOfNumberShift(int code, bool shift);
    /** The class of the key: 4 function, 3 control, 2 punctuation, 1 number, 0 letter, 5 arrow,
     *  6 delete, tested in that order; -1 for anything else and for codes outside 0 to 126. */
    int whatIsKeyCodeShift(int code, bool shift);
    /** YES for "f1" to "f15". */
    bool isStrFnKey(const QString& name);
    /** YES for the names of the control keys ("return", "delete", "enter", "escape", ...). */
    bool isStrCtlKey(const QString& name);
    /** YES when some element of array equals text. */
    bool isStringInArray(const QString& text, const QStringList& array);
    /** YES when part occurs in text; an empty part never does. */
    bool isStringInString(const QString& part, const QString& text);
    /** YES when text occurs in the keyboard characters "1234567890-^¥qwertyuiop@[[asdfghjkl];:]zxcvbnm,./_". */
    bool isCharKeyboard(const QString& text);
    /** YES when text occurs in the shifted keyboard characters. */
    bool isCharKeyboardShift(const QString& text);
    /** YES when text occurs in the upper punctuation characters. */
    bool isCharUpperPuncuation(const QString& text);
    /** YES when text occurs in the word separators "!,.;: ?". */
    bool isCharWordSeperator(const QString& text);
    /** YES when text occurs in "0123456789". */
    bool isCharNumber(const QString& text);
    /** YES for exactly "\r" or "\n". */
    bool isCharNewline(const QString& text);
    /** For one keyboard character: itself without shift, its shifted name with shift (from the shift
     *  table: "2" gives "\"", "-" gives "Equals "); "???" for any other text. */
    QString stringAddShiftShift(const QString& character, bool shift);
    /** "%c" of n: the character with code n; "" for 0 and for codes outside Unicode. */
    QString asciiCodeToString(int n);
    /** The 16-bit code of the first character; 0 for the empty text. */
    quint16 stringToAsciiCode(const QString& text);
    /** "cmd+", "opt+", "ctl+", "shift+" for each switch that is on, in that order, then name. */
    QString shortcutFromStringCmdOptionCtlShift(const QString& name, bool cmd, bool option, bool ctl, bool shift);
    /** Writes the four tables as trace lines. */
    void printKeyCodes();

private:
    Strings();

    // ---- Fields of the text utilities and dates ----

    // ---- Fields of the key-code tables ----
};
