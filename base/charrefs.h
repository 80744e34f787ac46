// The way from shown text back to text a file or a server keeps: each
// character the code page lacks becomes a decimal numeric reference
// ("&#128512;"), which the service's servers keep and every reader shows as
// the character again. Byte-level: the code page is asked through `fits`.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Whether the code page holds the character of `count` UTF-16 units at
// `units` (a surrogate pair is one character of two).
using FitsCodePage = bool (*)(const char16_t* units, size_t count);

// What becomes of control characters: a line of a file must not be broken by
// them; a post keeps the line breaks of its message.
enum class ControlChars { Encode, Keep };

// `shown` with each character that `fits` refuses (and, with
// ControlChars::Encode, each control character) written as a numeric
// reference. A lone half of a surrogate pair names no character and becomes
// the reference of its unit. Everything else stays.
std::u16string encode_references(std::u16string_view shown, FitsCodePage fits,
                                 ControlChars controls = ControlChars::Encode);
