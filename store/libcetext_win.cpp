// The console and trace output of the file library, which a handset shows
// nowhere.
#include <cstdarg>
#include <cstring>
#include <cwchar>

#include "base/codepage.h"
#include "store/libce.h"

namespace {

// Off; a debugging session may set it to show the trace output.
volatile LONG g_traceOn = 0;

// Formats into `Bytes` bytes (cut to fit) and shows the text on the debug
// output while tracing; the formatter's count.
template <int Bytes>
int show_formatted(const char* format, va_list args)
{
    char text[Bytes];
    wchar_t wide[Bytes];
    int n = libce_vsnprintf(text, sizeof text, format, args);
    mb_to_wide(wide, text, Bytes);
    if (g_traceOn) OutputDebugStringW(wide);
    return n;
}

}  // namespace

int libce_printf(const char* format, ...)
{
    // A handset has no console: the text is prepared and shown nowhere,
    // except on the debug output while tracing.
    constexpr int kTextBytes = 1024;
    va_list args;
    va_start(args, format);
    int n = show_formatted<kTextBytes>(format, args);
    va_end(args);
    return n < kTextBytes ? n : kTextBytes - 1;
}

int trace_tag(const char* tag)
{
    char text[512];
    int n = libce_snprintf(text, sizeof text, "[%010lu]%s: ", static_cast<unsigned>(GetTickCount()),
                           tag);
    if (g_traceOn) OutputDebugStringA(text);
    return n;
}

int trace_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = show_formatted<512>(format, args);
    va_end(args);
    return n;
}
