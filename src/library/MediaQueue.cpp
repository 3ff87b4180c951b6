// The sentence queue of Media: items are word files ("%@.aiff" of the lower-cased word), "file NAME"
// items from the documents directory, and commands. A play-through plays one item per end report.

#include "Media.h"

#include "AudioPlayer.h"
#include "FS.h"
#include "NotificationCenter.h"
#include "Trace.h"

#include <QFileInfo>

#include <cmath>
#include <limits>

namespace {

const QString DontKnow = QStringLiteral("Velbor: DON'T KNOW:%d");

} // namespace

double Media::leadingNumber(const QString& text)
{
    qsizetype end = 0;
    if (end < text.size() && (text.at(end) == u'+' || text.at(end) == u'-')) {
        ++end;
    }
    bool point = false;
    bool digits = false;
    for (; end < text.size(); ++end) {
        const QChar c = text.at(end);
        if (c.isDigit() && c.unicode() < 128) {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return 0.0;
    }
    QString number = text.left(end);
    if (number.endsWith(u'.')) {
        number.chop(1);
    }
    return number.toDouble();
}

namespace {

// The label names of "#label NAME" and "#loop NAME COUNT" items, with the ".aiff" that appending adds.
QString labelName(const QString& word)
{
    return word.endsWith(QLatin1String(".aiff")) ? word.chopped(5) : word;
}

} // namespace

void Media::addItemToQueue(const QString& text)
{
    if (m_queue.size() >= MaxQueueItems) {
        TRACE("sentence queue full (%d items): \"%@\" dropped", int(MaxQueueItems), text);
        return;
    }
    m_queue.append(text.toLower() + QStringLiteral(".aiff"));
    ++m_queuePtr;
}

int Media::replaceItemInQueuePosition(const QString& text, int position)
{
    if (position < 0 || position >= m_queuePtr || position >= m_queue.size()) {
        return -1;
    }
    m_queue[position] = text;
    return position;
}

int Media::removeItemAtIndex(int index)
{
    if (index < 0 || index >= m_queuePtr || index >= m_queue.size()) {
        return -1;
    }
    m_queue.removeAt(index);
    --m_queuePtr;
    return index;
}

void Media::clrQueue()
{
    m_queue.clear();
    m_queuePtr = 0;
    m_playPtr = 0;
    stopPlayer();
}

void Media::playitemInQueue()
{
    // Commands and missing files are passed over in this loop, not by recursion, so that a long run
    // of them cannot exhaust the stack.
    for (;;) {
        TRACE("playPtr:%d  queuePtr:%d", m_playPtr, m_queuePtr);
        m_speechEnabled = true;
        if (m_playPtr >= m_queuePtr || m_playPtr >= m_queue.size() || m_playPtr < 0) {
            m_playPtr = 0;
            return;
        }
        const QString item = m_queue.at(m_playPtr);
        TRACE("str: %@", item);
        if (processCmds(item)) {
            ++m_playPtr;
            continue;
        }
        const QStringList words = item.split(u' ');
        if (words.size() == 2 && words[0] == QLatin1String("file")) {
            // Looked up where it is played from: the documents directory.
            const QUrl url = getPathToFile(words[1]);
            if (!url.isEmpty() && QFileInfo(url.toLocalFile()).isFile()) {
                playFileFileType(words[1], 1);
                ++m_playPtr;
                return;
            }
            TRACE("Velbor: File:%@ not found in file system", item);
        } else if (m_fs->doesFileExistInBundle(item)) {
            playFileFileType(item, 0);
            ++m_playPtr;
            return;
        } else {
            TRACE("Velbor: File:%@ not found in bundle", item);
        }
        ++m_playPtr;
    }
}

bool Media::processCmds(const QString& item)
{
    const QStringList words = item.split(u' ');
    const QString& first = words.front();
    if (first == QLatin1String("#label") && words.size() == 2) {
        return true;
    }
    if (first == QLatin1String("#volume") && words.size() == 2) {
        av_setVolume(float(leadingNumber(words[1])));
        return true;
    }
    if (first == QLatin1String("#loop") && words.size() == 3) {
        const double count = leadingNumber(words[2]);
        if (count >= 1.0 && m_playPtr >= 0 && m_playPtr < m_queue.size()) {
            // The count goes down by one at each pass, then play resumes after the matching label:
            // the stretch between them plays count more times.
            const int left = count > 1e6 ? 1000000 : int(count) - 1;
            m_queue[m_playPtr] = QStringLiteral("#loop %1 %2").arg(words[1]).arg(left);
            const QString label = labelName(words[1]);
            for (int i = m_playPtr - 1; i >= 0; --i) {
                const QStringList candidate = m_queue.at(i).split(u' ');
                if (candidate.size() == 2 && candidate[0] == QLatin1String("#label") &&
                    labelName(candidate[1]) == label) {
                    m_playPtr = i;
                    break;
                }
            }
        }
        return true;
    }
    if (first == QLatin1String("#repeat") && words.size() == 1 && m_playPtr >= 0 && m_playPtr < m_queue.size()) {
        m_queue[m_playPtr] = QString();
        m_playPtr = 0;
        return true;
    }
    if (first == QLatin1String("#stop") && words.size() == 1) {
        // Past any real queue (a queue may hold more than 32000 items).
        m_playPtr = std::max(32000, m_queuePtr);
        return true;
    }
    return false;
}

void Media::objcProcessSnd()
{
    TRACE("speechEnabled: %d", int(m_speechEnabled));
    if (m_playerType == 0) {
        ss_stop();
    }
    if (m_playPtr >= m_queuePtr) {
        m_speechEnabled = false;
    }
    TRACE("%d  %d  %d", m_playPtr, m_queuePtr, int(m_speechEnabled));
    if (!m_speechEnabled) {
        NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("IOSMedia"),
                                                                 QStringLiteral("ipod_exit"));
        return;
    }
    playitemInQueue();
}

void Media::addNumToQueue(int n)
{
    addItemToQueue(QString::number(n));
}

void Media::add_0_999_toQueue(int n)
{
    if (n < 0 || n > 999) {
        TRACE(DontKnow, n);
        return;
    }
    const int hundreds = n / 100;
    int rest = n % 100;
    if (n > 99) {
        addNumToQueue(hundreds);
        addItemToQueue(QStringLiteral("hundred"));
    }
    if (m_ukEnglish) {
        addItemToQueue(QStringLiteral("and"));
    }
    if (rest > 0) {
        if (rest > 19) {
            addNumToQueue(rest / 10 * 10);
            rest %= 10;
        }
        if (rest > 0) {
            addNumToQueue(rest);
        }
    }
}

void Media::addNumberToQueue(std::uint64_t n)
{
    if (n == 0) {
        addNumToQueue(0);
        return;
    }
    constexpr std::uint64_t Trillion = 1000000000000ULL;
    const std::uint64_t trillions = n / Trillion;
    const int groups[] = {int(n / 1000000000ULL % 1000), int(n / 1000000ULL % 1000), int(n / 1000ULL % 1000),
                          int(n % 1000)};
    if (trillions > 0) {
        // Above 999 trillion the count of trillions is itself spoken as a number.
        if (trillions > 999) {
            addNumberToQueue(trillions);
        } else {
            add_0_999_toQueue(int(trillions));
        }
        addItemToQueue(QStringLiteral("trillion"));
    }
    static const char* const names[] = {"billion", "million", "thousand", nullptr};
    for (int g = 0; g < 4; ++g) {
        if (groups[g] > 0) {
            add_0_999_toQueue(groups[g]);
            if (names[g]) {
                addItemToQueue(QString::fromLatin1(names[g]));
            }
        }
    }
}

void Media::addSentenceToQueue(const QString& sentence)
{
    for (const QString& word : sentence.split(u' ')) {
        processWord(word);
    }
}

void Media::addAnalogTimeHrsAndMins(int hours, int minutes)
{
    if (hours < 0 || hours > 24 || minutes < 0 || minutes > 59) {
        TRACE(DontKnow, hours * 100 + minutes);
        return;
    }
    if (minutes == 0) {
        add_0_999_toQueue(hours);
        addItemToQueue(QStringLiteral("o'clock"));
        return;
    }
    int hour = hours;
    int count = minutes;
    QString preposition = m_ukEnglish ? QStringLiteral("past") : QStringLiteral("after");
    if (minutes >= 31) {
        // After the half hour the minutes count down to the next hour: 4:40 is 20 to 5.
        preposition = m_ukEnglish ? QStringLiteral("to") : QStringLiteral("before");
        count = 60 - minutes;
        hour = hours == 12 ? 1 : (hours + 1) % 24;
    }
    if (count == 15 || count == 30) {
        addItemToQueue(count == 15 ? QStringLiteral("quarter") : QStringLiteral("half"));
    } else {
        add_0_999_toQueue(count);
        if (count % 5 != 0) {
            addItemToQueue(count == 1 ? QStringLiteral("minute") : QStringLiteral("minutes"));
        }
    }
    addItemToQueue(preposition);
    add_0_999_toQueue(hour);
}

void Media::addDigitalTimeHrsAndMins(int hours, int minutes)
{
    addNumToQueue(hours);
    if (minutes <= 9) {
        addItemToQueue(QStringLiteral("oh"));
    }
    addNumToQueue(minutes);
}

void Media::addDayOfMonth(int day)
{
    if (day < 0 || day > 99) {
        TRACE(DontKnow, day);
        return;
    }
    const int tens = day / 10 * 10;
    int rest = day;
    if (tens >= 20) {
        add_0_999_toQueue(tens);
        rest = day - tens;
    }
    if (rest >= 1 && rest <= 3) {
        static const char* const ordinals[] = {"1st", "2nd", "3rd"};
        addItemToQueue(QString::fromLatin1(ordinals[rest - 1]));
    } else {
        if (rest != 0) {
            add_0_999_toQueue(rest);
        }
        addItemToQueue(QStringLiteral("th"));
    }
}

void Media::addDayOfWeek(int day)
{
    static const char* const names[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunnday"};
    if (day < 1 || day > 7) {
        TRACE(DontKnow, day);
        return;
    }
    addItemToQueue(QString::fromLatin1(names[day - 1]));
}

void Media::addMonth(int month)
{
    static const char* const names[] = {"January", "Febuary", "March",     "April",   "May",      "June",
                                        "July",    "August",  "September", "October", "November", "December"};
    if (month < 1 || month > 12) {
        TRACE(DontKnow, month);
        return;
    }
    addItemToQueue(QString::fromLatin1(names[month - 1]));
}

void Media::addYear(int year)
{
    if (year < 0 || year > 9999) {
        TRACE(DontKnow, year);
        return;
    }
    addNumToQueue(year / 100);
    addNumToQueue(year % 100);
}

void Media::say_number(std::uint64_t n)
{
    clrQueue();
    addNumberToQueue(n);
    playitemInQueue();
}

void Media::say_word(const QString& word)
{
    clrQueue();
    processWord(word);
    playitemInQueue();
}

void Media::say_sentence(const QString& sentence)
{
    clrQueue();
    addSentenceToQueue(sentence);
    playitemInQueue();
}

void Media::say_analogTimeHrsAndMins(int hours, int minutes)
{
    clrQueue();
    addAnalogTimeHrsAndMins(hours, minutes);
    playitemInQueue();
}

void Media::say_digitalTimeHrsAndMins(int hours, int minutes)
{
    clrQueue();
    addDigitalTimeHrsAndMins(hours, minutes);
    playitemInQueue();
}

void Media::say_dayOfMonth(int day)
{
    clrQueue();
    addDayOfMonth(day);
    playitemInQueue();
}

void Media::say_dayOfWeek(int day)
{
    clrQueue();
    addDayOfWeek(day);
    playitemInQueue();
}

void Media::say_month(int month)
{
    clrQueue();
    addMonth(month);
    playitemInQueue();
}

void Media::say_year(int year)
{
    clrQueue();
    addYear(year);
    playitemInQueue();
}

void Media::say_fullDateWithYearsMonthDayOfMonthDayOfWeek(int year, int month, int dayOfMonth, int dayOfWeek)
{
    clrQueue();
    addDayOfWeek(dayOfWeek);
    if (m_ukEnglish) {
        addDayOfMonth(dayOfMonth);
        addMonth(month);
    } else {
        addMonth(month);
        addDayOfMonth(dayOfMonth);
    }
    addYear(year);
    playitemInQueue();
}

void Media::say_katakana(const QString& text)
{
    clrQueue();
    addItemToQueue(text);
    playitemInQueue();
}

void Media::say_hal()
{
    for (const char* word : {"hello", "doctor", "name", "continue", "yesterday", "tomorrow"}) {
        addItemToQueue(QString::fromLatin1(word));
    }
}

void Media::debugSpeech()
{
    TRACE("");
    TRACE("queuePtr:%d  playPtr:%d  \nQueue:\n%@", m_queuePtr, m_playPtr, QVariant(m_queue));
}
