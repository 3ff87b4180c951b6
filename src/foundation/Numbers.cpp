#include "Numbers.h"

#include <QVariant>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

int truncatedInt(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= double(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= double(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return int(value);
}

int clampedInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

float toFloat32(double value)
{
    // Values up to half a unit in the last place above FLT_MAX still round down to FLT_MAX.
    static const double overflow = double(FLT_MAX) + std::ldexp(1.0, 103);
    if (std::isnan(value)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    if (value >= overflow) {
        return std::numeric_limits<float>::infinity();
    }
    if (value <= -overflow) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

void saturatingIncrement(int& counter)
{
    if (counter < std::numeric_limits<int>::max()) {
        ++counter;
    }
}

qint64 leadingInteger(QStringView text, qint64 low, qint64 high)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Accumulate as a negative number: the negative range is the larger one, so INT64_MIN fits.
    const qint64 floor = negative ? low : -high;
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        const int digit = text.at(i).unicode() - u'0';
        if (value < floor / 10 || (value == floor / 10 && -digit < floor % 10)) {
            value = floor;
        } else {
            value = value * 10 - digit;
        }
    }
    return negative ? value : -value;
}

int intValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return int(leadingInteger(value.toString(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
        return clampedInt(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar: {
        // Read unsigned: a value above the signed 64-bit range would wrap negative through toLongLong.
        const quint64 unsignedValue = value.toULongLong();
        return unsignedValue > quint64(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                        : int(unsignedValue);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return truncatedInt(value.toDouble());
    default:
        return 0;
    }
}
