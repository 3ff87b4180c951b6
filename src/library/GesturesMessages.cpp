// The texts of the gesture and sequence codes, as the diagnostics print them.

#include "Gestures.h"

#include <cstdio>

namespace {

struct Message
{
    int code;
    const char* text;
};

const Message kGestureMessages[] = {
    {-1, "don't know this gesture"},
    {1, "touch: single tap"},
    {2, "touch: single long tap"},
    {3, "touch: single press"},
    {10, "gesture: bottom to top"},
    {11, "gesture: top to bottom"},
    {12, "gesture: left to right"},
    {13, "gesture: right to left"},
    {14, "gesture: bottom to top blip"},
    {15, "gesture: top to bottom blip"},
    {16, "gesture: left to right blip"},
    {17, "gesture: right to left blip"},
    {20, "gesture: bottom left to top right"},
    {21, "gesture: top right to bottom left"},
    {22, "gesture: top left to bottom right"},
    {23, "gesture: bottom right to top left"},
    {24, "gesture: bottom left to top right blip"},
    {25, "gesture: top right to bottom left blip"},
    {26, "gesture: top left to bottom right blip"},
    {27, "gesture: bottom right to top left blip"},
    {30, "gesture: bottom to top 2 fingers"},
    {31, "gesture: top to bottom 2 fingers"},
    {32, "gesture: left to right 2 fingers"},
    {33, "gesture: right to left 2 fingers"},
    {34, "gesture: bottom to top 2 fingers blip"},
    {35, "gesture: top to bottom 2 fingers blip"},
    {36, "gesture: left to right 2 fingers blip"},
    {37, "gesture: right to left 2 fingers blip"},
    {40, "gesture: 2 fingers VT clockwise"},
    {41, "gesture: 2 fingers VT anti-clockwise"},
    {42, "gesture: 2 fingers VT clockwise"},
    {43, "gesture: 2 fingers VT anti-clockwise"},
    {50, "gesture: square"},
    {51, "gesture: daimond"},
    {52, "gesture: mountain"},
    {53, "gesture: bucket"},
    {54, "gesture: cap"},
    {55, "gesture: convex"},
    {56, "gesture: concave"},
    {60, "gesture: L normal"},
    {61, "gesture: L hz mirror"},
    {62, "gesture: L vt mirror"},
    {63, "gesture: L hz/vt mirror"},
    {70, "gesture: 2 finger hz tap"},
    {71, "gesture: 2 finger vt tap"},
    {72, "gesture: 2 finger left-diagonal tap"},
    {73, "gesture: 2 finger right-diagonal tap"},
    {74, "gesture: 3 finger hz tap"},
    {75, "gesture: 3 finger vt tap"},
    {76, "gesture: 3 finger left-diagonal tap"},
    {77, "gesture: 3 finger right-diagonal tap"},
    {78, "gesture: 4 finger square tap"},
    {79, "gesture: 4 finger diamond tap"},
};

const Message kSequenceMessages[] = {
    {-2, "GS: not a sequence, period too long"},
    {-1, "GS: ???"},
    {1, "GS: cross"},
    {2, "GS: plus"},
    {3, "GS: 2 horizontal lines"},
    {4, "GS: 2 vertical lines"},
    {5, "GS: exclaimation mark"},
    {6, "GS: 2 taps"},
    {7, "GS: 3 taps"},
    {8, "GS: 4 taps"},
    {9, "GS: 5 taps"},
};

template <size_t N> QString lookup(const Message (&table)[N], int code)
{
    for (const Message& m : table) {
        if (m.code == code) {
            return QString::fromUtf8(m.text);
        }
    }
    return {};
}

void writeLine(const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace

QString Gestures::gestureMessage(int code)
{
    return lookup(kGestureMessages, code);
}

void Gestures::DebugGestures(int code)
{
    writeLine(gestureMessage(code));
}

QString Gestures::sequenceMessage(int code)
{
    return lookup(kSequenceMessages, code);
}

void Gestures::DebugGestureSeq(int code)
{
    writeLine(sequenceMessage(code));
}
