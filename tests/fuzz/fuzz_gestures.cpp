// Arbitrary bytes as a stream of touch samples, timer ticks, parameter changes and queries for the
// gesture recogniser and the swipe tracker. Positions come either as small integers (touches that
// classify) or as raw doubles (NaN, infinities, huge values). Nothing may crash or show undefined
// behaviour, and the store's invariants must hold after every step.

#include "ArrayTouchAccel.h"
#include "Clock.h"
#include "Gestures.h"

#include <QPointF>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class FuzzClock : public Clock
{
public:
    double monotonic() const override { return seconds; }
    double seconds = 500.0;
};

FuzzClock g_clock;

class Input
{
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_pos >= m_size; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    int16_t int16()
    {
        const int16_t low = byte();
        return int16_t(low | int16_t(byte() << 8));
    }
    int32_t int32()
    {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            v = (v << 8) | byte();
        }
        int32_t result;
        std::memcpy(&result, &v, sizeof result);
        return result;
    }
    double rawDouble()
    {
        uint64_t bits = 0;
        for (int k = 0; k < 8; ++k) {
            bits = (bits << 8) | byte();
        }
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    QPointF smallPoint() { return QPointF(double(int16()) / 64.0, double(int16()) / 64.0); }
    QPointF rawPoint() { return QPointF(rawDouble(), rawDouble()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

void touch(Gestures& g, int phase, int finger, QPointF p)
{
    switch (phase % 3) {
    case 0:
        g.GSBeganTouchEventPosition(finger, p);
        break;
    case 1:
        g.GSMovedTouchEventPosition(finger, p);
        break;
    default:
        g.GSEndedTouchEventPosition(finger, p);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The recogniser writes its grid to standard output and traces to standard error at every touch:
    // close both for the target unless the caller chose otherwise (libFuzzer keeps its own reports).
    static std::vector<char*> args;
    bool chosen = false;
    for (int k = 0; k < *argc; ++k) {
        args.push_back((*argv)[k]);
        chosen = chosen || std::strncmp((*argv)[k], "-close_fd_mask=", 15) == 0;
    }
    static char closeBoth[] = "-close_fd_mask=3";
    if (!chosen) {
        args.push_back(closeBoth);
    }
    args.push_back(nullptr);
    *argc = int(args.size()) - 1;
    *argv = args.data();
    Clock::setCurrent(&g_clock);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Gestures& g = *Gestures::sharedEngineInstance();
    ArrayTouchAccel& a = *ArrayTouchAccel::sharedEngineInstance();
    g.setNumActiveFingers(0);
    g.GSinitializeArrays();
    g.GSsetDefaults();

    Input in(data, size);
    while (!in.done()) {
        const uint8_t op = in.byte();
        const int finger = int(in.byte() % 12) - 1;
        switch (op % 16) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            touch(g, op % 3, finger, in.smallPoint());
            break;
        case 8:
            touch(g, in.byte(), finger, in.rawPoint());
            break;
        case 9:
            g.processGestureSequence();
            break;
        case 10:
            g.GSUpdateWatchdog();
            break;
        case 11:
            g.setGSorientation(int(in.byte() % 7) - 1);
            g.setCS_Cocos2d(in.byte() & 1);
            break;
        case 12:
            if (in.byte() & 1) {
                g.GSsetDefaults();
            } else {
                g.GSsetVarsGMLTMLGTSEGNPRES(in.byte() % 3, in.int32(), in.int32(), in.rawPoint(), in.rawPoint(),
                                            in.rawPoint(), in.rawPoint());
            }
            break;
        case 13:
            g_clock.seconds += double(in.byte()) * 0.01;
            break;
        case 14: {
            switch (in.byte() % 6) {
            case 0:
                a.setGestureStartPoint(in.rawPoint());
                a.processTouchesBegan();
                break;
            case 1:
                a.setCurrentPosition(in.rawPoint());
                a.processTouchesMoved();
                break;
            case 2:
                a.processTouchesEnded();
                break;
            case 3:
                a.getBlockHitHzVtPos(in.int32(), in.int32(), in.rawPoint());
                break;
            case 4:
                a.hitAreaXYSize(in.int32(), in.int32(), in.int32());
                a.hitWidthHeightXYWidthHeight(in.int32(), in.int32(), in.int32(), in.int32());
                break;
            default: {
                float last = float(in.int16()) / 100.0f;
                ArrayTouchAccel::isAccelAccelLastInDeadZoneIsShaking(
                    last, float(in.int16()) / 100.0f, float(in.int16()) / 100.0f, float(in.int16()) / 100.0f);
                a.getRandomItem();
                a.getNextItem();
                break;
            }
            }
            break;
        }
        default: {
            const int n = in.int32();
            (void)g.getGesture(n);
            (void)g.getTweenTime(n);
            (void)g.avgGesturePeriod(n);
            (void)g.getFingerBeganPos(n);
            (void)g.getFingerEndedTime(n);
            (void)g.fingerXY(n);
            (void)Gestures::isFloatTheSameAsFuzzy(float(in.int16()), float(in.int16()), float(in.int16()));
            (void)Gestures::getAngleBetweenPointsAndB(in.rawPoint(), in.rawPoint());
            (void)g.analyzeTouches();
            break;
        }
        }
        if (g.fingerIndex() < 0 || g.fingerIndex() > Gestures::StoreCapacity || g.numActiveFingers() < 0 ||
            g.numActiveFingers() > Gestures::MaxCountedFingers || g.tweenPointer() < 0 ||
            g.tweenPointer() >= Gestures::RingSize) {
            std::abort();
        }
    }
    return 0;
}
