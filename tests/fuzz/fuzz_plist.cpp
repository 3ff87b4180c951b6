// Property-list reader under libFuzzer: any bytes must be answered (a value or none) without a crash,
// a hang or unbounded memory; whatever is read and has an XML form must read back from that form.
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
    if (const auto xml = Plist::toXml(*value)) {
        if (!Plist::fromData(*xml)) {
            std::abort(); // our own XML must always read back
        }
    }
    return 0;
}
