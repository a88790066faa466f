#include "engine/wformat.h"

namespace {

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    int width = 0;
};

std::u16string Digits(uint64_t value, unsigned base, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string out;
    do {
        out.insert(out.begin(), static_cast<char16_t>(digits[value % base]));
        value /= base;
    } while (value != 0);
    return out;
}

void Pad(std::u16string* out, std::u16string body, const Conversion& style, bool numeric) {
    size_t width = style.width > 0 ? static_cast<size_t>(style.width) : 0;
    if (body.size() >= width) {
        *out += body;
    } else if (style.leftAlign) {
        *out += body;
        out->append(width - body.size(), u' ');
    } else if (style.zeroPad && numeric) {
        size_t sign = (!body.empty() && body[0] == u'-') ? 1 : 0;
        body.insert(sign, width - body.size(), u'0');
        *out += body;
    } else {
        out->append(width - body.size(), u' ');
        *out += body;
    }
}

// Formats one conversion; false when the argument does not fit it.
bool Convert(std::u16string* out, char16_t conv, const Conversion& style, const WFormatArg& arg) {
    if (conv == u's') {
        if (arg.kind == WFormatArg::kText) {
            Pad(out, arg.text != nullptr ? std::u16string(arg.text) : std::u16string(), style,
                false);
            return true;
        }
        Pad(out,
            Digits(static_cast<uint64_t>(arg.number < 0 ? -arg.number : arg.number), 10, false)
                .insert(0, arg.number < 0 ? u"-" : u""),
            style, true);
        return true;
    }
    if (arg.kind != WFormatArg::kInt)
        return false;
    int32_t v = static_cast<int32_t>(arg.number);
    switch (conv) {
    case u'd':
    case u'i': {
        uint64_t magnitude = v < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(v)) : v;
        std::u16string body = Digits(magnitude, 10, false);
        if (v < 0)
            body.insert(body.begin(), u'-');
        Pad(out, body, style, true);
        return true;
    }
    case u'u':
        Pad(out, Digits(static_cast<uint32_t>(v), 10, false), style, true);
        return true;
    case u'x':
    case u'X':
        Pad(out, Digits(static_cast<uint32_t>(v), 16, conv == u'X'), style, true);
        return true;
    case u'c':
        Pad(out, std::u16string(1, static_cast<char16_t>(v)), style, false);
        return true;
    default:
        return false;
    }
}

bool IsConversion(char16_t c) {
    return c == u'd' || c == u'i' || c == u'u' || c == u'x' || c == u'X' || c == u'c' || c == u's';
}

} // namespace

std::u16string WFormat(const char16_t* format, const WFormatArg* args, size_t count) {
    std::u16string out;
    if (format == nullptr)
        return out;
    size_t next = 0;
    for (const char16_t* p = format; *p != 0;) {
        if (*p != u'%') {
            out += *p++;
            continue;
        }
        const char16_t* start = p++;
        if (*p == u'%') {
            out += u'%';
            ++p;
            continue;
        }
        Conversion style;
        for (; *p == u'-' || *p == u'0'; ++p)
            (*p == u'-' ? style.leftAlign : style.zeroPad) = true;
        for (; *p >= u'0' && *p <= u'9'; ++p)
            style.width = style.width < 1000 ? style.width * 10 + (*p - u'0') : style.width;
        bool done = false;
        if (IsConversion(*p) && next < count) {
            done = Convert(&out, *p, style, args[next]);
            if (done)
                ++next;
        }
        if (*p != 0)
            ++p;
        if (!done)
            out.append(start, p); // printed literally
    }
    return out;
}

std::u16string WFormat(const char16_t* format, std::initializer_list<WFormatArg> args) {
    return WFormat(format, args.begin(), args.size());
}
