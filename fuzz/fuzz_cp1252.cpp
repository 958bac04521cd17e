// Windows-1252 <-> UTF-8 on any bytes, both ways, with their round trips.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "text/cp1252.h"

using namespace brivel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as Windows-1252: every byte string survives the round trip.
    const std::string utf8 = Cp1252ToUtf8(bytes);
    const Cp1252Result back = Utf8ToCp1252(utf8);
    FUZZ_CHECK(back.ok);
    FUZZ_CHECK(back.text == bytes);
    FUZZ_CHECK(Utf8ToCp1252Lossy(utf8) == bytes);

    // The bytes as UTF-8.
    const Cp1252Result converted = Utf8ToCp1252(bytes);
    const std::string lossy = Utf8ToCp1252Lossy(bytes);
    if (converted.ok) {
        FUZZ_CHECK(Cp1252ToUtf8(converted.text) == bytes);
        FUZZ_CHECK(lossy == converted.text);
        FUZZ_CHECK(converted.text.size() <= size);
    } else {
        // Everything before the bad character converts, to what was given.
        FUZZ_CHECK(converted.errorOffset < size);
        const Cp1252Result before = Utf8ToCp1252(bytes.substr(0, converted.errorOffset));
        FUZZ_CHECK(before.ok);
        FUZZ_CHECK(before.text == converted.text);
        FUZZ_CHECK(Cp1252ToUtf8(converted.text) == bytes.substr(0, converted.errorOffset));
        // The lossy form keeps that part and marks the bad character.
        FUZZ_CHECK(lossy.size() > converted.text.size());
        FUZZ_CHECK(lossy.compare(0, converted.text.size(), converted.text) == 0);
        FUZZ_CHECK(lossy[converted.text.size()] == '?');
        FUZZ_CHECK(lossy.size() <= size);
    }
    return 0;
}
