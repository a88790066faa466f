// Format strings are archive text: any code units must format safely.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/wformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char16_t> format(size / 2 + 1, 0);
    std::memcpy(format.data(), data, size / 2 * 2);
    const char16_t text[] = u"name";
    WFormatArg args[] = {WFormatArg(static_cast<int32_t>(size)), WFormatArg(text),
                         WFormatArg(-12345), WFormatArg(static_cast<uint32_t>(0xFFFFFFFF))};
    WFormat(format.data(), args, size % 5);
    return 0;
}
