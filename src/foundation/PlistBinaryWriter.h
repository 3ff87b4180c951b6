#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

/**
 * Builds a binary property list ("bplist00") object by object, in time and memory linear in its size.
 *
 * Each add call answers the reference of the object it stored; containers take the references of
 * their items, so children are added before their parents, and finish() is given the top object.
 * Strings, integers, reals, booleans, dates, data and UIDs that are equal are stored once; arrays and
 * dictionaries are stored as often as they are added. Dictionaries keep the order they are given.
 *
 * Encodings: strings ASCII when they are, else UTF-16 big-endian; integers in 1, 2, 4 or 8 bytes
 * (negative ones in 8); reals as 4-byte floats when a float holds them exactly, else 8-byte doubles;
 * dates as 8-byte doubles of seconds since 2001-01-01; UIDs in 1, 2, 4 or 8 bytes.
 */
class PlistBinaryWriter
{
public:
    using Ref = quint64;

    Ref addString(const QString& text);
    Ref addInteger(qint64 value);
    Ref addReal(double value);
    Ref addBool(bool value);
    Ref addDate(double secondsSince2001);
    Ref addData(const QByteArray& bytes);
    Ref addUid(quint64 value);
    Ref addArray(const std::vector<Ref>& items);
    /** keys and values pair up by position; keys should be string objects. */
    Ref addDict(const std::vector<Ref>& keys, const std::vector<Ref>& values);

    /** Objects added so far. */
    quint64 count() const { return quint64(m_objects.size()); }
    /** The whole property list with top as its root object, after `headroom` bytes left for the
     *  caller (a frame header, say), so that framing it needs no second copy. */
    QByteArray finish(Ref top, qsizetype headroom = 0) const;

private:
    // An object is either bytes in m_encoded (followed, for data, by a payload kept as given) or a
    // container whose marker is encoded and whose references are m_refs[first, first + length).
    struct Object
    {
        qsizetype first;
        qsizetype length;
        qsizetype payload = -1; // index in m_payloads, for data
        quint8 container = 0;   // array or dictionary marker nibble; 0 for encoded objects
    };

    Ref addEncoded(qsizetype first, qsizetype payload = -1);
    /** The scalar of that kind and bit pattern, encoded by encode() the first time it is added. */
    template <typename Encode> Ref uniqueScalar(int kind, quint64 bits, const Encode& encode);
    Ref addContainer(quint8 marker, const std::vector<Ref>& a, const std::vector<Ref>* b);
    void appendMarker(quint8 marker, quint64 count);
    void appendBigEndian(quint64 value, int bytes);

    std::vector<Object> m_objects;
    QByteArray m_encoded;
    std::vector<QByteArray> m_payloads;
    std::vector<Ref> m_refs;
    QHash<QString, Ref> m_strings;
    QHash<QByteArray, Ref> m_data;
    // Integers, reals, dates and UIDs by kind and 64-bit pattern; booleans by value.
    QHash<QPair<int, quint64>, Ref> m_scalars;
};
