// Property-list reader under libFuzzer: any bytes must be answered (a value or none) without a crash,
// a hang or unbounded memory; whatever is read and has an XML form within the readers' size limit
// must read back from that form (shared references can expand a small binary list past the limit).
#include "Plist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto value = Plist::fromData(bytes);
    if (!value) {
        return 0;
    }
    Plist::toBinary(*value);
    if (const auto xml = Plist::toXml(*value); xml && xml->size() <= Plist::MaxInputSize) {
        if (!Plist::fromData(*xml)) {
            std::abort(); // our own XML must always read back
        }
    }
    return 0;
}
