#pragma once

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <span>
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

    PlistBinaryWriter();

    Ref addString(const QString& text);
    Ref addInteger(qint64 value);
    Ref addReal(double value);
    Ref addBool(bool value);
    Ref addDate(double secondsSince2001);
    Ref addData(const QByteArray& bytes);
    Ref addUid(quint64 value);
    Ref addArray(std::span<const Ref> items);
    /** keys and values pair up by position; keys should be string objects. */
    Ref addDict(std::span<const Ref> keys, std::span<const Ref> values);
    Ref addDict(std::initializer_list<Ref> keys, std::initializer_list<Ref> values)
    {
        return addDict(std::span(keys.begin(), keys.size()), std::span(values.begin(), values.size()));
    }

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

    /** Stores the object whose bytes run from `first` to the end of m_encoded (and whose payload,
     *  for data, is the last of m_payloads), unless an equal one is stored: its bytes are then
     *  dropped again and the stored one answered. */
    Ref addUnique(qsizetype first, bool hasPayload = false);
    size_t hashOf(qsizetype first, qsizetype length, const QByteArray* payload) const;
    bool sameObject(const Object& o, qsizetype first, qsizetype length, const QByteArray* payload) const;
    Ref addContainer(quint8 marker, std::span<const Ref> a, std::span<const Ref> b = {});
    void appendMarker(quint8 marker, quint64 count);
    void appendBigEndian(quint64 value, int bytes);

    std::vector<Object> m_objects;
    QByteArray m_encoded;
    std::vector<QByteArray> m_payloads;
    std::vector<Ref> m_refs;
    // Open-addressed table of the encoded objects by their bytes: ref + 1 per slot, 0 when free.
    // Equal values encode to equal bytes, so this finds every repeat of every kind at once.
    std::vector<Ref> m_unique;
    qsizetype m_uniqueCount = 0;
};
