#pragma once

#include <QStringView>
#include <QtGlobal>

class QVariant;

/**
 * Narrowing conversions that answer plainly for every input, so that no caller hits the undefined
 * behaviour of an out-of-range conversion: values beyond the target range saturate, NaN gives 0.
 */

/** A double truncated toward zero into an int; saturates at the int limits; NaN gives 0. */
int truncatedInt(double value);
/** A 64-bit integer clamped to the int range. */
int clampedInt(qint64 value);
/** A double rounded to float32 as IEEE arithmetic does: beyond the largest float the answer is an
 *  infinity, NaN stays NaN. */
float toFloat32(double value);
/** Adds one unless the counter is at the int maximum. */
void saturatingIncrement(int& counter);

/** The integer at the start of a text: white space is skipped, then an optional sign and the leading
 *  decimal digits are read and the rest is ignored; 0 when there are no digits; saturates at low and
 *  high. */
qint64 leadingInteger(QStringView text, qint64 low, qint64 high);
/** The integer value of a value: a text by leadingInteger, a bool as 0 or 1, an integer clamped, a
 *  real by truncatedInt; 0 for anything else. */
int intValue(const QVariant& value);
