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
    // Texts are UTF-16: every length and position counts 16-bit units. An empty part or marker is never
    // found (the tests answer NO or -1 and the splices leave the source alone with their warning).

    /** YES when the whole text is one decimal number: optional leading white space, optional sign, digits
     *  with an optional "." and fraction (or "." and digits), optional exponent; nothing may follow, not
     *  even white space. NO for the empty text, "inf", "nan" and hexadecimal forms. */
    bool stringisNumber(const QString& text);
    /** The decimal integer at the start of the text after white space and an optional sign, saturated to
     *  the 32-bit range; 0 when there is none ("1e3" gives 1). */
    int NSStringToInt(const QString& text);
    /** The whole text read as a number in the current locale (group separators allowed): a qint64 when
     *  it is integral, else a double; none when the text is not such a number or not finite. */
    std::optional<QVariant> NSStringToNSNumber(const QString& text);
    /** "%d" of n. */
    QString intToNSString(int n);
    /** The text followed by "%d" of n. */
    QString addIntToNSStringNum(const QString& text, int n);
    /** a followed by b. */
    QString addToStrAddStr(const QString& a, const QString& b);
    /** a, a line feed, b. */
    QString addNewlineToStrAddStr(const QString& a, const QString& b);
    /** The zero-terminated UTF-8 bytes as a text; "(null)" for a null pointer. */
    QString cStringToStr(const char* bytes);
    /** The first unit's low 8 bits read as a signed number ("A" gives 65); 0 for the empty text. */
    int strToInt(const QString& text);
    /** "0" to "9" for 0 to 9; any other value logs "don't know str %d" and answers "?". */
    QString getStrFromNum0_9(int n);
    /** Four digits: thousands (n / 1000), hundreds, tens and units, each through getStrFromNum0_9, so a
     *  thousands count above 9 reads "?" ("?345" for 12345). */
    QString getStrFromNum(int n);
    /** The lowest width bits of n, most significant first, a blank before every further group of eight
     *  counted from the right; "" for a width of 0 or less; widths above 64 count as 64. */
    QString binaryStringFromIntegerWidth(qint64 n, int width);
    /** Lower-case hexadecimal without prefix ("%llx"); negative numbers in two's complement. */
    QString numberToHexString(qint64 n);
    /** The hexadecimal number at the start of the text (white space and a "0x"/"0X" prefix allowed),
     *  saturated to the unsigned 32-bit range; 0 when there is none. */
    quint32 hexStringToInt(const QString& text);
    /** The decimal 64-bit integer at the start of the text, saturated; 0 when there is none. */
    qint64 hexStringToXXX(const QString& text);
    /** Two lower-case hexadecimal digits per byte of the text's UTF-8 form ("abc" gives "616263"). */
    QString strToHexStr(const QString& text);
    /** A 32-unit text cut into 8-4-4-4-12 pieces joined by "-"; "" for any other length. */
    QString strToUUIDStr(const QString& text);
    /** YES for exactly "1", "y", "yes" or "true"; NO otherwise. */
    bool strToBool(const QString& text);
    /** "Yes" or "No". */
    QString boolAsStr(bool flag);
    /** "Yes" or "No". */
    QString YorN(bool flag);
    /** A byte count for people: "%0.0f Bytes" up to 1024, then "%0.2f" KB, MB or GB. */
    QString convertNumberToKb(float bytes);

    /** The 5-bit code of a one-unit text: space 0, a-z 1-26 (either case), digits 1-4 28-31, else 0;
     *  -1 when the text is not one unit long. */
    int str_to_bit5(const QString& text);
    /** The character of a 5-bit code: 0 " ", 1-27 "a"-"{", 28-31 "1"-"4"; "???" otherwise. */
    QString bit5_to_str(int code);
    /** Three 5-bit codes packed first-in-low-bits; -1 when the text is not three units long. */
    int str_to_bit16(const QString& text);
    /** The three characters of bits 0-4, 5-9 and 10-14 of a number below 32768 (negative numbers
     *  included); "???" for 32768 and above. */
    QString bit16_to_str(int n);
    /** bit16_to_str of a followed by that of b. */
    QString twoInts_to_strMinor(int a, int b);
    /** The text padded with blanks or cut to six units, its halves through str_to_bit16: two ints. */
    QVariantList str_to_two_ints(const QString& text);

    /** Mode 0 lower case, 1 upper case, 2 capitalised words; other modes trace "dont know: %d" and answer
     *  the text unchanged. Characters that are not letters (lone surrogates too) never change. */
    QString changeCaseMode(const QString& text, int mode);
    /** Lower case, then capitalised words. */
    QString tidyAndCapitalize(const QString& text);
    /** The text without leading and trailing white space and line breaks. */
    QString trimWhitespace(const QString& text);
    /** The pieces of the text split at line feeds and then at blanks, empty pieces included. */
    QStringList splitIntoWords(const QString& text);
    /** How many units are ASCII A-Z. */
    int numOfUppercaseChars(const QString& text);
    /** How many units are ASCII a-z. */
    int numOfLowercaseChars(const QString& text);
    /** How many units are ASCII 0-9. */
    int numOfNumberChars(const QString& text);
    /** Two blanks when n is 10 or more, else three. */
    QString spacesForInt(int n);
    /** The first length units followed by terminator when the text is longer; else the text. A negative
     *  length counts as 0. */
    QString truncateStrLengthTerminator(const QString& text, int length, const QString& terminator);

    /** YES when part occurs in text. */
    bool isStrIn(const QString& part, const QString& text);
    /** YES when text starts with part. */
    bool isPrefixIn(const QString& part, const QString& text);
    /** YES when text ends with part. */
    bool isSuffixIn(const QString& part, const QString& text);
    /** The position of the first occurrence of part in text; -1 when none. */
    int searchStrForSubStr(const QString& text, const QString& part);
    /** For a file that splits at "." into exactly two pieces: 1 when the first is name, else 0; -1 for any
     *  other number of pieces. */
    int isFilenameSameAsName(const QString& file, const QString& name);
    /** The same test on the second piece against ext. */
    int isFilenameExtSameAsExt(const QString& file, const QString& ext);
    /** YES when the extension, lower-cased, names a sound file (aac aif aiff caf mp3 mp4 m4a snd au sd2
     *  wav). */
    bool isStrSndFile(const QString& name);
    /** YES when the extension, lower-cased, is "mov". */
    bool isStrMovieFile(const QString& name);

    /** name "." ext. */
    QString addExtToStrExt(const QString& name, const QString& ext);
    /** The name without the last "." of its last path component and what follows. */
    QString removeExtFromStr(const QString& name);
    /** The extension of the last path component without the "."; "" when there is none. */
    QString getExtFromStr(const QString& name);
    /** The last path component ("/" for the root, "" for ""). */
    QString getfileNameFromPathFile(const QString& path);
    /** The path without its last component ("" for a bare name, "/" for a file in the root). */
    QString getPathFromPathFile(const QString& path);
    /** By the pieces at "-": "x-copy", "x-copy-2", "x-copy-N" with the third piece's value plus 1; none
     *  for four or more pieces. */
    std::optional<QString> addCopyToStr(const QString& name);
    /** By the pieces at "-": "x-1", "x-N" with the second piece's value plus 1; none for more pieces. */
    std::optional<QString> addNumberToStr(const QString& name);
    /** By the pieces at "-": "x-1v1", or "x-MvN" with the minor raised by 1 and carried into the major at
     *  10 (a piece without "v" is a major with minor 0); none for more pieces. */
    std::optional<QString> addVersionToStr(const QString& name);
    /** The language code of the user's first preferred language ("en", "de"); "en" for the C locale. */
    QString getDeviceLanguage();

    /** The source with its first old replaced by new; unchanged, with the trace "VELBOR:WARNING: old str",
     *  when old is missing. */
    QString replaceStrWithSource(const QString& oldText, const QString& newText, const QString& source);
    /** text inserted right after the first marker; unchanged, with "VELBOR:WARNING: no start str", when
     *  the marker is missing. */
    QString insertStrAfterStrSource(const QString& text, const QString& marker, const QString& source);
    /** The unit just before the first marker replaced by text and a line feed (at position 0 nothing is
     *  replaced); unchanged, with "VELBOR:WARNING: start str not found", when the marker is missing. */
    QString insertStrBeforeStrSource(const QString& text, const QString& marker, const QString& source);
    /** The text between the end of the first start and the first end ("" when that end comes earlier);
     *  the source, with "VELBOR:WARNING: start or end not found", when a marker is missing. */
    QString extractStrAterToSource(const QString& start, const QString& end, const QString& source);
    /** The source before the unit just before the first start, then the source from the first end on
     *  without its last unit; the source, with "VELBOR:WARNING: start or end not found", when a marker is
     *  missing. */
    QString removeStrAterToSource(const QString& start, const QString& end, const QString& source);
    /** until + 1 units from position from (cut to the source length minus 3 when until reaches it, and to
     *  the end of the source); "" when until + 1 is below from or from lies outside the source. */
    QString extractStrFromUntil(const QString& source, int from, int until);
    /** The text without its last unit when that unit is character; else the text. */
    QString removeTrailingCharFromStr(QChar character, const QString& text);
    /** removeTrailingCharFromStr once for each unit of characters, in order. */
    QString removeTrailingCharsFromStr(const QString& characters, const QString& text);
    /** The text without its last character when that character's low byte is not an ASCII digit or
     *  letter (a surrogate pair goes as a whole); "" stays "". */
    QString removePunctuationFromEnd(const QString& text);

    /** Writes "hello from SingletonTemplate" to the process log. */
    void SCgreet();

    /** The twelve general-purpose arrays, empty at creation; the service never fills them. */
    QVariantList& slot00() { return m_slots[0]; }
    QVariantList& slot01() { return m_slots[1]; }
    QVariantList& slot02() { return m_slots[2]; }
    QVariantList& slot03() { return m_slots[3]; }
    QVariantList& slot04() { return m_slots[4]; }
    QVariantList& slot05() { return m_slots[5]; }
    QVariantList& slot06() { return m_slots[6]; }
    QVariantList& slot07() { return m_slots[7]; }
    QVariantList& slot08() { return m_slots[8]; }
    QVariantList& slot09() { return m_slots[9]; }
    QVariantList& slot10() { return m_slots[10]; }
    QVariantList& slot11() { return m_slots[11]; }
    void setSlot00(const QVariantList& list) { m_slots[0] = list; }
    void setSlot01(const QVariantList& list) { m_slots[1] = list; }
    void setSlot02(const QVariantList& list) { m_slots[2] = list; }
    void setSlot03(const QVariantList& list) { m_slots[3] = list; }
    void setSlot04(const QVariantList& list) { m_slots[4] = list; }
    void setSlot05(const QVariantList& list) { m_slots[5] = list; }
    void setSlot06(const QVariantList& list) { m_slots[6] = list; }
    void setSlot07(const QVariantList& list) { m_slots[7] = list; }
    void setSlot08(const QVariantList& list) { m_slots[8] = list; }
    void setSlot09(const QVariantList& list) { m_slots[9] = list; }
    void setSlot10(const QVariantList& list) { m_slots[10] = list; }
    void setSlot11(const QVariantList& list) { m_slots[11] = list; }

    // ---- Dates and times (StringsDates.cpp) ----
    // "Now" is Clock::current(); calendar readings are local time. A date triple is a list of three
    // integers: day of month, month, year (missing or non-numeric entries read as 0).

    /** The log stamp: year:month:day without padding, "-", and HH:MM:SS ("2026:12:5-09:05:03"). */
    QString getDateTime();
    /** The current moment as "yyyy-MM-dd HH:mm:ss +0000" (UTC). */
    QString getCurrentTimeStr();
    /** Refreshes currentHour/Minute/Second from local time; answers hour + minute/60 + second/3600. */
    float updateCurrentTime();
    /** Refreshes the fields; "H:MM", with a two-digit hour when leadingZero is YES. */
    QString getCurrent_HHMM_withLeadingZero(bool leadingZero);
    /** Refreshes the fields; "H:MM:SS", with a two-digit hour when leadingZero is YES. */
    QString getCurrent_HHMMSS_withLeadingZero(bool leadingZero);
    /** The date triple (day, month, year) of the moment in local time. */
    QVariantList getDate(const QDateTime& date);
    /** Today's weekday, 0 (Monday) to 6 (Sunday). */
    int getDayOfWeek();
    /** "yyMMdd_HHmmss" of the current local time, ".", ext. */
    QString createFilenameFromDateAndExt(const QString& ext);

    /** Days, hours, minutes, seconds as "%02d:%02d:%02d:%02d". */
    QString getTimeStrDDHHMMSS(int seconds);
    /** getTimeStrDDHHMMSS from its fourth unit on. */
    QString getTimeStrHHMMSS(int seconds);
    /** getTimeStrDDHHMMSS from its seventh unit on. */
    QString getTimeStrMMSS(int seconds);
    /** getTimeStrDDHHMMSS from its tenth unit on. */
    QString getTimeStrSS(int seconds);
    /** "0%d" when leadingZero is YES and n is at most 9, else "%d" (-5 gives "0-5"). */
    QString integerToStrWithLeadingZero(int n, bool leadingZero);
    /** m (leading zero per flag), ":", s in two digits. */
    QString getTimeInMinutesSecondsWithLeadingZero(int minutes, int seconds, bool leadingZero);
    /** h (leading zero per flag), ":", m and s in two digits, joined by ":". */
    QString getTimeInHoursMinutesSecondsWithLeadingZero(int hours, int minutes, int seconds, bool leadingZero);
    /** Hours (not limited to 24), minutes and seconds of a duration, as the previous operation. */
    QString getTimeFromintWithLeadingZero(int seconds, bool leadingZero);
    /** Hours as a time of day "H:MM" (9.5 gives "09:30" with the flag); 24.0 counts as 0; the minute never
     *  reads 60 (it carries into the hour). NaN and infinities count as 0. */
    QString floatToTimeOfDayLeadingZero(float hours, bool leadingZero);
    /** Hours from "h:m:s" ("1:30" gives 1.5); pieces that hold no number count as 0. */
    float timeStrToFloat(const QString& text);
    /** timeStrToFloat of a minus that of b, in hours. */
    float compareTime0WithTime1(const QString& a, const QString& b);
    /** The moment moved forward by the local zone's offset from GMT at that moment. */
    QDateTime convertGMTtoLocalTime(const QDateTime& date);
    /** The moment moved back by the local zone's offset from GMT at that moment. */
    QDateTime convertlocalTimetoGMT(const QDateTime& date);

    /** "Monday" (0) to "Sunday" (6); "???day" with a trace line for any other index. */
    QString getDay(int index);
    /** The first three characters of getDay. */
    QString getDayShort(int index);
    /** "January" (1) to "December" (12), "Feburary" for 2; "???month" with a trace line otherwise. */
    QString getMonth(int number);
    /** The first three characters of getMonth. */
    QString getMonthShort(int number);
    /** The triple as numbers joined by the separator: format 0 day-month-year, 1 month-day-year, any
     *  other year-month-day; no padding. */
    QString getShortDateAsStringFormatSeperator(const QVariantList& date, int format, const QString& seperator);
    /** Words with today's weekday: format 0 "Monday, 5th December 2026", 1 "Monday, December 5th 2026",
     *  other "2026 December 5th, Monday". */
    QString getLongDateAsStringFormat(const QVariantList& date, int format);
    /** As getLongDateAsStringFormat with the short month name. */
    QString getMediumDateAsStringFormat(const QVariantList& date, int format);
    /** The number with its ordinal suffix: up to 20 as getToOrdinalFor1to20, above it the tens, the last
     *  digit and that digit's suffix ("21st", "30th", "112nd"). */
    QString numberToOrdinal(qint64 n);
    /** Up to 20: the number and "st", "nd", "rd" or "th" ("th" for negatives); 0 gives "00". Above 20 it
     *  answers as numberToOrdinal. */
    QString getToOrdinalFor1to20(qint64 n);

    /** The current-time fields, set by updateCurrentTime. */
    int currentHour() const { return m_currentHour; }
    int currentMinute() const { return m_currentMinute; }
    int currentSecond() const { return m_currentSecond; }
    void setCurrentHour(int hour) { m_currentHour = hour; }
    void setCurrentMinute(int minute) { m_currentMinute = minute; }
    void setCurrentSecond(int second) { m_currentSecond = second; }

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
    /** FS::readTxtFromBundle(): the resource file as UTF-8 text; none when missing or not UTF-8. */
    std::optional<QString> readTxtFromBundle(const QString& name);
    /** The file of that name in the documents directory (FS::getDocumentDir()), read like
     *  FS::readTxtFromFile(); none when missing or not text. */
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
    QVariantList m_slots[12];
    int m_currentHour = 0;
    int m_currentMinute = 0;
    int m_currentSecond = 0;

    // ---- Fields of the key-code tables ----
};
