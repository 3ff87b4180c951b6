#pragma once

#include "SharedInstance.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>

class Debug;
class LibMath;

/**
 * Twelve numbered lists, the slots 0 to 11, of integers (stored as numbers) or strings, with
 * operations to fill, shuffle, sum and read them by slot and position; plus list utilities used
 * across the library: bounds-tested element access with warnings, string search, character-range
 * filling, digit strings and an alphabetical-section index.
 *
 * Every slot and position is checked: a slot number outside 0 to 11 is ignored by the writers and
 * reads as -1, 0 or none; a position outside the slot is refused with a trace line (writers change
 * nothing, readers answer 0 or none). Sums add the integer entries that exist among positions 0 to 99.
 */
class Arrays : public SharedInstance<Arrays>
{
    friend class SharedInstance<Arrays>;

public:
    static constexpr int NumSlots = 12;
    using Slot = std::shared_ptr<QVariantList>;

    // ---- Properties: the slots slot00 to slot11 by number (nullptr / ignored for other numbers) ----
    Slot slot(int n) const;
    void setSlot(int n, const Slot& list);
    LibMath* math() const { return m_math; }
    Debug* debug() const { return m_debug; }

    // ---- Slots ----
    /** The number of entries; -1 for a slot number outside 0 to 11. */
    int getArraySize(int slot) const;
    /** Inserts value at pos (0 to size); later entries move up. */
    void setArraySlotIntPosData(int slot, int pos, int value);
    /** Replaces the entry at pos (0 to size - 1). */
    void replaceArraySlotIntPosData(int slot, int pos, int value);
    void setArraySlotNSStringPosData(int slot, int pos, const QString& text);
    void replaceArraySlotNSStringPosData(int slot, int pos, const QString& text);
    /** The entry's integer value (a string entry by its leading digits); 0 for a bad slot or position. */
    int getArraySlotIntPos(int slot, int pos) const;
    /** The entry as text; none for a bad slot or position. */
    std::optional<QString> getArraySlotNSStringPos(int slot, int pos) const;
    /** Inserts 0, 1, ..., n - 1 at positions 0 to n - 1; n of 0 or less inserts nothing. */
    void fillArraySlotSeqWithNumbersUpto(int slot, int n);
    /** Inserts value 100 times at positions 0 to 99. */
    void fillOneArraySlotIntData(int slot, int value);
    /** fillOneArraySlotIntData for slots 0 to 9 (not 10 and 11). */
    void fillAllArraySlotsInt(int value);
    /** The sum (wrapping) of the integer entries at positions 0 to 99 that exist; 0 for a bad slot. */
    int addOneArraySlotInt(int slot) const;
    /** The sum of addOneArraySlotInt over slots 0 to 9. */
    int addAllArraySlotsInt() const;
    /** n times swaps two entries at random positions (random() mod size); an empty slot or n <= 0
     *  changes nothing. */
    void shuffleArraySlotNumberOfShuffles(int slot, int n);
    /** The slot becomes that very list (shared with the caller, not copied); nullptr empties it. */
    void copyArrayToSlotToSlot(const Slot& list, int slot);

    // ---- Files ----
    /** Withdrawn: always throws LibraryException with the reason "obsolete interface\n\n\n\n". */
    [[noreturn]] void loadArrayFromFile(const QString& name);
    /** Reads the resource "name.ext" (split at the first dot) as UTF-8 and hands back its lines (split
     *  at line feeds) in out; NO, and out emptied, when the resource cannot be read. */
    bool loadArrayFromFile(QStringList& out, const QString& fileName);
    /** Writes the list as an XML property list to the path made by filling the one "%@" of pathFormat
     *  with the documents directory; NO when it cannot be written. */
    bool saveArrayToFile(const QVariantList& list, const QString& pathFormat);
    /** YES when NO file of that name is in the documents directory, NO when there is one. */
    bool doesFileExist(const QString& name) const;

    // ---- List utilities ----
    /** The entry; else "" after a process-log warning (empty list, index past the end, negative). */
    QVariant arrayObjectAtIndexTag(const QVariantList& list, int index, const QString& tag) const;
    /** The same with the caller's position ("File.cpp, method:name, line:N") at the end of the warning. */
    QVariant arrayObjectAtIndexFileMethodLine(const QVariantList& list, int index, const char* file, const char* method,
                                              int line) const;
    /** 0 valid index; 1 empty list; 2 index past the end; 3 negative index; 4 no list. The warnings go to
     *  standard output. */
    int checkArrayWithPointer(const QVariantList* list, int index) const;
    /** The number of non-empty strings. */
    int numOfStrsInArray(const QStringList& list) const;
    /** The first position of an equal string; -1 when none. */
    int getIndexOfStrInArray(const QString& text, const QStringList& list) const;
    int getIndexOfStrInMutableArray(const QString& text, const QStringList& list) const;
    /** Appends every entry of source to destination. */
    void copyNSArrayToNSMutableArray(const QVariantList& source, QVariantList& destination) const;
    void copyNSMutableArrayToNSMutableArray(const QVariantList& source, QVariantList& destination) const;
    /** Appends one-character strings of the codes start, start +- step, ... up to and including end
     *  (counting down when end <= start; the sign of step is ignored). Codes outside 0 to 0xFFFF end the
     *  run; a step of 0 appends nothing (trace line). Answers the list. */
    QStringList& filArraywithNumbersStartEndStep(QStringList& list, int start, int end, int step) const;
    /** Appends "A" to "Z" or "a" to "z"; answers the list. */
    QStringList& filArraywithAlphabetUpperCase(QStringList& list, bool upperCase) const;
    /** The flat position of row in section of a list sorted and sectioned by first letter. */
    int getPosInAlphaTableArrayInSectionAndRow(const QStringList& list, int section, int row) const;
    /** "0" to "9"; any other value logs "don't know str %d" and gives "?". */
    QString getStrFromNum0_9(int digit) const;
    /** Thousands, hundreds, tens and units of n, each through getStrFromNum0_9. */
    QString getStrFromNum(int n) const;
    int NSStringToInt(const QString& text) const;
    QString intToNSString(int value) const;
    QVariant intToNSNumber(int value) const;
    int NSNumbertoInt(const QVariant& number) const;
    /** text followed by n ("%@%d"). */
    QString addIntToNSStringNum(const QString& text, int n) const;
    /** Writes "hello from Arrays" to the process log. */
    void greet() const;

private:
    Arrays();

    QVariantList* slotList(int slot) const;
    bool insertAt(int slot, int pos, const QVariant& value);
    bool replaceAt(int slot, int pos, const QVariant& value);

    std::array<Slot, NumSlots> m_slots;
    LibMath* m_math = nullptr;
    Debug* m_debug = nullptr;
};
