// The text side of the file library: wide lines in and out through code
// page 932, and the console and trace output, which a handset shows nowhere.
#include <cstdarg>
#include <cstring>
#include <cwchar>

#include "base/codepage.h"
#include "store/libce.h"

namespace {

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

void trace_enable(bool on) { InterlockedExchange(&g_traceOn, on ? 1 : 0); }

wchar_t* libce_fgetws(wchar_t* wbuf, int wsize, LibceFile* f)
{
    if (wbuf == nullptr || wsize < 1 || f == nullptr) return nullptr;
    constexpr int kLineBytes = 1024;
    LocalBlock<char> block(static_cast<char*>(LocalAlloc(LPTR, kLineBytes)));
    if (!block) return nullptr;
    char* line = block.get();
    if (!libce_fgets(line, kLineBytes, f)) return nullptr;
    // A long line arrives in pieces; a piece must not end between the two
    // bytes of one character, so a lone lead byte at the cut goes back.
    size_t length = strlen(line);
    if (length == kLineBytes - 1 && line[length - 1] != '\n' && f->pos > f->buffer &&
        f->pos <= f->readEnd && f->pos[-1] == static_cast<unsigned char>(line[length - 1])) {
        size_t i = 0;
        bool loneLead = false;
        while (i < length) {
            bool lead = IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(line[i]));
            if (lead && i + 1 == length) loneLead = true;
            i += lead ? 2 : 1;
        }
        if (loneLead) {
            --f->pos;
            line[length - 1] = '\0';
        }
    }
    mb_to_wide(wbuf, line, wsize);
    return wbuf;
}

int libce_fwprintf(LibceFile* f, const wchar_t* format, ...)
{
    constexpr size_t kWorkBytes = 1024;
    constexpr size_t kMaxUnits = 511;
    LocalBlock<wchar_t> wideBlock(static_cast<wchar_t*>(LocalAlloc(LPTR, kWorkBytes)));
    LocalBlock<char> bytesBlock(static_cast<char*>(LocalAlloc(LPTR, kWorkBytes)));
    if (!wideBlock || !bytesBlock) return -1;
    wchar_t* wide = wideBlock.get();
    char* bytes = bytesBlock.get();
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        // The platform's own wide formatter: "%s" takes a UTF-16 string.
        _vsnwprintf(wide, kMaxUnits, format, args);
        va_end(args);
        wide[kMaxUnits] = L'\0';
        wide_to_mb(bytes, wide, static_cast<int>(kWorkBytes));
        libce_fputs(bytes, f);
    }
    return 0;
}

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
