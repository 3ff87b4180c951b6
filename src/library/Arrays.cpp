#include "Arrays.h"

#include "Debug.h"
#include "FS.h"
#include "LibMath.h"
#include "LibraryException.h"
#include "Plist.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int FillCount = 100;
constexpr int SummedPositions = 100;
constexpr int FilledSlots = 10;

// Standard output, as the bounds checker has always reported; flushed so that the order holds when
// standard error is interleaved.
void printOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
} // namespace

Arrays::Arrays() : m_math(LibMath::sharedEngineInstance()), m_debug(Debug::sharedEngineInstance())
{
    for (Slot& s : m_slots) {
        s = std::make_shared<QVariantList>();
    }
}

void Arrays::greet() const
{
    processLog(QStringLiteral("hello from Arrays"));
}

// ---- Slots ----

Arrays::Slot Arrays::slot(int n) const
{
    return n >= 0 && n < NumSlots ? m_slots[size_t(n)] : nullptr;
}

void Arrays::setSlot(int n, const Slot& list)
{
    if (n >= 0 && n < NumSlots) {
        m_slots[size_t(n)] = list ? list : std::make_shared<QVariantList>();
    }
}

QVariantList* Arrays::slotList(int slot) const
{
    return slot >= 0 && slot < NumSlots ? m_slots[size_t(slot)].get() : nullptr;
}

int Arrays::getArraySize(int slot) const
{
    const QVariantList* list = slotList(slot);
    return list ? int(list->size()) : -1;
}

bool Arrays::insertAt(int slot, int pos, const QVariant& value)
{
    QVariantList* list = slotList(slot);
    if (!list) {
        return false;
    }
    if (pos < 0 || pos > list->size()) {
        TRACE("slot %d: no position %d to insert at (size %d)", slot, pos, int(list->size()));
        return false;
    }
    list->insert(pos, value);
    return true;
}

bool Arrays::replaceAt(int slot, int pos, const QVariant& value)
{
    QVariantList* list = slotList(slot);
    if (!list) {
        return false;
    }
    if (pos < 0 || pos >= list->size()) {
        TRACE("slot %d: no entry %d to replace (size %d)", slot, pos, int(list->size()));
        return false;
    }
    (*list)[pos] = value;
    return true;
}

void Arrays::setArraySlotIntPosData(int slot, int pos, int value)
{
    insertAt(slot, pos, QVariant(value));
}

void Arrays::replaceArraySlotIntPosData(int slot, int pos, int value)
{
    replaceAt(slot, pos, QVariant(value));
}

void Arrays::setArraySlotNSStringPosData(int slot, int pos, const QString& text)
{
    insertAt(slot, pos, QVariant(text));
}

void Arrays::replaceArraySlotNSStringPosData(int slot, int pos, const QString& text)
{
    replaceAt(slot, pos, QVariant(text));
}

int Arrays::getArraySlotIntPos(int slot, int pos) const
{
    const QVariantList* list = slotList(slot);
    if (!list || pos < 0 || pos >= list->size()) {
        return 0;
    }
    return NSNumbertoInt(list->at(pos));
}

std::optional<QString> Arrays::getArraySlotNSStringPos(int slot, int pos) const
{
    const QVariantList* list = slotList(slot);
    if (!list || pos < 0 || pos >= list->size()) {
        return std::nullopt;
    }
    return list->at(pos).toString();
}

void Arrays::fillArraySlotSeqWithNumbersUpto(int slot, int n)
{
    for (int i = 0; i < n && insertAt(slot, i, QVariant(i)); ++i) {
    }
}

void Arrays::fillOneArraySlotIntData(int slot, int value)
{
    for (int i = 0; i < FillCount && insertAt(slot, i, QVariant(value)); ++i) {
    }
}

void Arrays::fillAllArraySlotsInt(int value)
{
    for (int s = 0; s < FilledSlots; ++s) {
        fillOneArraySlotIntData(s, value);
    }
}

int Arrays::addOneArraySlotInt(int slot) const
{
    const QVariantList* list = slotList(slot);
    if (!list) {
        return 0;
    }
    unsigned sum = 0; // wraps like the 32-bit sum it stands for, without undefined overflow
    const qsizetype count = std::min<qsizetype>(list->size(), SummedPositions);
    for (qsizetype i = 0; i < count; ++i) {
        sum += unsigned(NSNumbertoInt(list->at(i)));
    }
    return int(sum);
}

int Arrays::addAllArraySlotsInt() const
{
    unsigned sum = 0;
    for (int s = 0; s < FilledSlots; ++s) {
        sum += unsigned(addOneArraySlotInt(s));
    }
    return int(sum);
}

void Arrays::shuffleArraySlotNumberOfShuffles(int slot, int n)
{
    QVariantList* list = slotList(slot);
    if (!list || list->isEmpty()) {
        return;
    }
    const long size = long(list->size());
    for (int i = 0; i < n; ++i) {
        list->swapItemsAt(::random() % size, ::random() % size);
    }
}

void Arrays::copyArrayToSlotToSlot(const Slot& list, int slot)
{
    setSlot(slot, list);
}

// ---- Files ----

void Arrays::loadArrayFromFile(const QString& name)
{
    Q_UNUSED(name)
    throw LibraryException(QStringLiteral("\n\n\n\n*** VELBOR.LIBRARY ***\nArray \n"
                                          "-(void)loadArrayFromFile:(NSString*)name"),
                           QStringLiteral("obsolete interface\n\n\n\n"));
}

bool Arrays::loadArrayFromFile(QStringList& out, const QString& fileName)
{
    out.clear();
    const qsizetype dot = fileName.indexOf(u'.');
    const QString name = dot < 0 ? fileName : fileName.left(dot);
    const QString ext = dot < 0 ? QString() : fileName.mid(dot + 1);
    if (name.isEmpty() || name.contains(QStringLiteral("..")) || name.contains(u'/')) {
        TRACE("no resource named %@", fileName);
        return false;
    }
    QFile file(resourcePath(name, ext));
    if (!file.open(QIODevice::ReadOnly)) {
        TRACE("cannot read the resource %@", fileName);
        return false;
    }
    out = QString::fromUtf8(file.readAll()).split(u'\n');
    return true;
}

bool Arrays::saveArrayToFile(const QVariantList& list, const QString& pathFormat)
{
    const QString path = format(pathFormat, FS::sharedEngineInstance()->getDocumentDir());
    const std::optional<QByteArray> xml = Plist::toXml(list);
    QFile file(path);
    if (!xml || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(*xml) == xml->size();
}

bool Arrays::doesFileExist(const QString& name) const
{
    const QString dir = FS::sharedEngineInstance()->getDocumentDir();
    return name.isEmpty() || !QFileInfo::exists(dir + u'/' + name);
}

// ---- List utilities ----

QVariant Arrays::arrayObjectAtIndexTag(const QVariantList& list, int index, const QString& tag) const
{
    if (list.isEmpty()) {
        processLogf("Warning: emptyArray: %@", tag);
        return QString();
    }
    if (index >= list.size()) {
        processLogf("Warning: %@ is not big enough for index: %d, tag: %@", list, index, tag);
        return QString();
    }
    if (index < 0) {
        return QString();
    }
    return list.at(index);
}

QVariant Arrays::arrayObjectAtIndexFileMethodLine(const QVariantList& list, int index, const char* file,
                                                  const char* method, int line) const
{
    const QString where = m_debug->debugFileMethodLine(file, method, line);
    if (list.isEmpty()) {
        processLogf("emptyArray:%@, %@", list, where);
        return QString();
    }
    if (index >= list.size()) {
        processLogf("Array:%@ is not big enough for index:%d, %@", list, index, where);
        return QString();
    }
    if (index < 0) {
        processLogf("Array:%@, index:%d, Index is Negative, %@", list, index, where);
        return QString();
    }
    return list.at(index);
}

int Arrays::checkArrayWithPointer(const QVariantList* list, int index) const
{
    if (!list) {
        printOut(QStringLiteral("Warning: Array is NIL"));
        return 4;
    }
    if (list->isEmpty()) {
        printOut(QStringLiteral("Warning: emptyArray"));
        return 1;
    }
    if (index >= list->size()) {
        printOut(format("Warning: Array is not big enough for index: %d", index));
        return 2;
    }
    if (index < 0) {
        printOut(format("Warning: Index is negative: %d\n", index));
        return 3;
    }
    return 0;
}

int Arrays::numOfStrsInArray(const QStringList& list) const
{
    return int(std::count_if(list.begin(), list.end(), [](const QString& s) { return !s.isEmpty(); }));
}

int Arrays::getIndexOfStrInArray(const QString& text, const QStringList& list) const
{
    return int(list.indexOf(text));
}

int Arrays::getIndexOfStrInMutableArray(const QString& text, const QStringList& list) const
{
    return getIndexOfStrInArray(text, list);
}

void Arrays::copyNSArrayToNSMutableArray(const QVariantList& source, QVariantList& destination) const
{
    destination += QVariantList(source); // a copy first: source may be destination itself
}

void Arrays::copyNSMutableArrayToNSMutableArray(const QVariantList& source, QVariantList& destination) const
{
    copyNSArrayToNSMutableArray(source, destination);
}

QStringList& Arrays::filArraywithNumbersStartEndStep(QStringList& list, int start, int end, int step) const
{
    if (step == 0) {
        TRACE("a step of 0 never reaches %d", end);
        return list;
    }
    // 64-bit walk so that a step near the int limits cannot overflow; codes beyond one UTF-16 unit end
    // the run, which also bounds it to 65536 entries.
    const qint64 stride = end <= start ? -std::llabs(qint64(step)) : std::llabs(qint64(step));
    for (qint64 code = start; stride > 0 ? code <= end : code >= end; code += stride) {
        if (code < 0 || code > 0xFFFF) {
            break;
        }
        list << QString(QChar(char16_t(code)));
    }
    return list;
}

QStringList& Arrays::filArraywithAlphabetUpperCase(QStringList& list, bool upperCase) const
{
    const char16_t first = upperCase ? u'A' : u'a';
    for (char16_t c = first; c < first + 26; ++c) {
        list << QString(QChar(c));
    }
    return list;
}

int Arrays::getPosInAlphaTableArrayInSectionAndRow(const QStringList& list, int section, int row) const
{
    if (list.isEmpty()) {
        return row;
    }
    QString letter = list.first().left(1);
    int counter = 0;
    for (int i = 0; i < list.size(); ++i) {
        const QString first = list.at(i).left(1);
        if (first != letter) {
            letter = first;
            ++counter;
        }
        if (counter == section) {
            return i + row;
        }
    }
    return int(list.size()) + row;
}

QString Arrays::getStrFromNum0_9(int digit) const
{
    if (digit < 0 || digit > 9) {
        processLogf("don't know str %d", digit);
        return QStringLiteral("?");
    }
    return QString(QChar(char16_t(u'0' + digit)));
}

QString Arrays::getStrFromNum(int n) const
{
    return getStrFromNum0_9(n / 1000) + getStrFromNum0_9(n / 100 % 10) + getStrFromNum0_9(n / 10 % 10) +
           getStrFromNum0_9(n % 10);
}

int Arrays::NSStringToInt(const QString& text) const
{
    return Strings::sharedEngineInstance()->NSStringToInt(text);
}

QString Arrays::intToNSString(int value) const
{
    return QString::number(value);
}

QVariant Arrays::intToNSNumber(int value) const
{
    return QVariant(value);
}

int Arrays::NSNumbertoInt(const QVariant& number) const
{
    if (number.typeId() == QMetaType::QString) {
        return NSStringToInt(number.toString());
    }
    return m_math->NSNumbertoInt(number);
}

QString Arrays::addIntToNSStringNum(const QString& text, int n) const
{
    return format("%@%d", text, n);
}
