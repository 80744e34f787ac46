#include "store/format.h"

#include <climits>
#include <cstdint>
#include <cwchar>

namespace {

// The output of one call: bytes go to `out` while they fit in `size` − 1
// (one byte is kept for the terminator); `length` counts every byte the whole
// result has, fitted or not, so a cut result can be told from a whole one.
struct Sink {
    char* out;
    size_t size;
    size_t length = 0;

    void put(char c)
    {
        if (size != 0 && length < size - 1) out[length] = c;
        if (length != SIZE_MAX) ++length;
    }
    // A run of one byte: only what fits is written, so a huge width costs
    // no more than the buffer.
    void repeat(char c, size_t n)
    {
        if (size != 0 && length < size - 1) {
            size_t room = size - 1 - length;
            size_t fit = n < room ? n : room;
            for (size_t i = 0; i < fit; ++i) out[length + i] = c;
        }
        length = (SIZE_MAX - length < n) ? SIZE_MAX : length + n;
    }
    void terminate()
    {
        if (size == 0) return;
        out[length < size - 1 ? length : size - 1] = '\0';
    }
};

// Digits of `value` in `base`, most significant first, into `digits`
// (room for 32 bits in octal and more); returns their count.
int to_digits(uint32_t value, unsigned base, bool upper, char* digits)
{
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    int n = 0;
    do {
        reversed[n++] = set[value % base];
        value /= base;
    } while (value != 0);
    for (int i = 0; i < n; ++i) digits[i] = reversed[n - 1 - i];
    return n;
}

// A number: digits padded on the left up to `width` with `pad`. A negative
// number keeps its "-" in front of zero padding ("-0042"), as a reader expects.
void put_number(Sink& sink, uint32_t magnitude, bool negative, unsigned base, bool upper,
                long width, char pad)
{
    char digits[16];
    int n = to_digits(magnitude, base, upper, digits);
    long shown = n + (negative ? 1 : 0);
    size_t fill = width > shown ? static_cast<size_t>(width - shown) : 0;
    if (negative && pad == '0') sink.put('-');
    sink.repeat(pad, fill);
    if (negative && pad != '0') sink.put('-');
    for (int i = 0; i < n; ++i) sink.put(digits[i]);
}

// Right-justified with blanks for a positive width, left-justified for a
// negative one; the pad character never applies to strings.
template <typename Unit>
void put_string(Sink& sink, const Unit* text, long width)
{
    static const Unit kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    if (text == nullptr) text = kNull;
    size_t length = 0;
    while (text[length] != 0) ++length;
    size_t magnitude = width < 0 ? static_cast<size_t>(-width) : static_cast<size_t>(width);
    size_t fill = magnitude > length ? magnitude - length : 0;
    if (width > 0) sink.repeat(' ', fill);
    // A wide unit is written as its low byte: %S is for ASCII text.
    for (size_t i = 0; i < length; ++i) sink.put(static_cast<char>(text[i] & 0xFF));
    if (width < 0) sink.repeat(' ', fill);
}

void format_into(Sink& sink, const char* format, va_list args)
{
    if (format == nullptr) {
        sink.terminate();
        return;
    }
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            sink.put(*p++);
            continue;
        }
        ++p;
        char pad = (*p == '0') ? '0' : ' ';
        bool left = false;
        if (*p == '-') {
            left = true;
            ++p;
        }
        long width = 0;
        while (*p >= '0' && *p <= '9') {
            // Saturates rather than overflows on an absurd width.
            if (width < (LONG_MAX - 9) / 10) width = width * 10 + (*p - '0');
            ++p;
        }
        if (left) width = -width;
        if (*p == 'l') ++p;
        char conversion = *p;
        if (conversion == '\0') break;  // a format ending inside a conversion
        ++p;
        switch (conversion) {
        case 'd': {
            int value = va_arg(args, int);
            bool negative = value < 0;
            uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value)
                                          : static_cast<uint32_t>(value);
            put_number(sink, magnitude, negative, 10, false, width, pad);
            break;
        }
        case 'u':
            put_number(sink, va_arg(args, unsigned), false, 10, false, width, pad);
            break;
        case 'x':
            put_number(sink, va_arg(args, unsigned), false, 16, false, width, pad);
            break;
        case 'X':
            put_number(sink, va_arg(args, unsigned), false, 16, true, width, pad);
            break;
        case 's':
            put_string(sink, va_arg(args, const char*), width);
            break;
        case 'S':
            put_string(sink, va_arg(args, const wchar_t*), width);
            break;
        case 'c':
            sink.put(static_cast<char>(va_arg(args, int) & 0xFF));
            break;
        case '%':
            sink.put('%');
            break;
        default:
            // Unknown conversion: nothing written, no argument taken.
            break;
        }
    }
    sink.terminate();
}

int as_result(size_t length)
{
    return length > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

}  // namespace

int libce_vsnprintf(char* out, size_t size, const char* format, va_list args)
{
    Sink sink{out, out == nullptr ? 0 : size};
    format_into(sink, format, args);
    return as_result(sink.length);
}

int libce_snprintf(char* out, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = libce_vsnprintf(out, size, format, args);
    va_end(args);
    return n;
}

int libce_vsprintf(char* out, const char* format, va_list args)
{
    return libce_vsnprintf(out, SIZE_MAX, format, args);
}

int libce_sprintf(char* out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = libce_vsprintf(out, format, args);
    va_end(args);
    return n;
}
