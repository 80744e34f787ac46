// The code page's side of character references: a title as shown, made fit
// for the files that keep it (held-thread list, favourites).
#pragma once
#include <string>

// `shown` with each character that code page 932 lacks, and each control
// character, written as a numeric reference (encode_references).
std::wstring title_for_file(const std::wstring& shown);
