// Conversions between code page 932 (the handsets' ANSI and OEM code page,
// used explicitly whatever the host's code page) and UTF-16. Both convert the
// terminator too and return the units (bytes) written including it, 0 on
// failure. The result is always terminated when `size` is at least 1: a
// source that does not fit is cut at a character boundary.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/charrefs.h"

constexpr UINT kCodePage = 932;
int mb_to_wide(wchar_t* dst, const char* src, int wsize);
int wide_to_mb(char* dst, const wchar_t* src, int size);
// For paths and names, which are refused rather than cut: `src` whole into
// `dst`, or false (and `dst` untouched) when it would take more than `size`
// bytes with its terminator. A null `src` is the empty text.
bool wide_to_mb_whole(char* dst, const wchar_t* src, size_t size);
// A code page 932 text whole; the empty text when it cannot be converted.
std::wstring mb_to_wstring(const char* src);
// Whether code page 932 holds the character of `count` UTF-16 units (a
// surrogate pair is one character). Without best fit: a character it lacks
// is refused rather than taken as a look-alike ("é" as "e").
bool fits_code_page(const char16_t* units, size_t count);
// `text` with each character code page 932 lacks written as a numeric
// reference (see base/charrefs.h); control characters as `controls` says.
std::wstring with_references_for_unheld(std::wstring_view text, ControlChars controls);
