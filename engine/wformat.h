// Formatting of UTF-16 format strings that come from the archive. Archive
// text never reaches the C library's printf family: a conversion without a
// matching argument is printed literally.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

struct WFormatArg {
    enum Kind { kInt, kText } kind;
    int64_t number;
    const char16_t* text;

    WFormatArg(int32_t v) : kind(kInt), number(v), text(nullptr) {}
    WFormatArg(uint32_t v) : kind(kInt), number(v), text(nullptr) {}
    WFormatArg(const char16_t* s) : kind(kText), number(0), text(s) {}
};

// Conversions: %d %i %u %x %X %c %s %%, with an optional '-' or '0' flag
// and a width.
std::u16string WFormat(const char16_t* format, std::initializer_list<WFormatArg> args);
std::u16string WFormat(const char16_t* format, const WFormatArg* args, size_t count);
