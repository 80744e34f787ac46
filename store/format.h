// The program's own printf-style formatter for byte strings (paths, request
// lines, form bodies, list-file lines). Its rules are deliberately small:
// %d %u %x %X %s %S %c %%, a "0" pad, "-" for left-justified, a width, an
// ignored "l" (arguments are int or unsigned: pass 32-bit values); no
// precision, no floating point. A negative %d keeps its "-" in front of the
// padding ("-0042"); a null %s or %S prints "(null)"; an unknown conversion
// writes nothing and takes no argument; a format ending inside a conversion
// ends the output there.
#pragma once
#include <cstdarg>
#include <cstddef>

// Unbounded, as the rest of the system knows it: the caller's buffer must hold
// the longest result. Returns the bytes written, terminator excluded.
int libce_sprintf(char* out, const char* format, ...);
int libce_vsprintf(char* out, const char* format, va_list args);

// Bounded: writes at most `size` bytes including the terminator (nothing when
// `size` is 0) and cuts the rest. Returns the length the whole result would
// have had, like snprintf, so callers can tell a cut result from a whole one.
int libce_snprintf(char* out, size_t size, const char* format, ...);
int libce_vsnprintf(char* out, size_t size, const char* format, va_list args);
