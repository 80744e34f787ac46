// What the settings and information dialogs read and show, as text: the
// about box's memory line and the numbers typed into the settings dialog.
// No platform calls here; app/dialogs_win.cpp runs the dialogs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Fields are read with these many characters at most.
constexpr size_t kDialogTextChars = 79;      // font name and every number
constexpr size_t kDialogProxyNameChars = 32; // Settings.ProxyName holds 32
constexpr size_t kDialogBBSTableChars = 259; // Settings.BBSTable holds 259

constexpr wchar_t kTextOfflineMode[] = L"Offlineモードです";
constexpr wchar_t kCaptionInfo[] = L"Info";

// "使用可能メモリ:%dKB" with the available physical memory in KB, rounded
// down. The count is written in full, however large.
std::wstring free_memory_text(uint64_t availableBytes);

// The number a settings field gives: only its first kDialogTextChars
// characters count, read as a settings file value (white space, a sign,
// digits up to the first non-digit; no digits give 0; held at the 32-bit
// limits). `text` ends at its NUL.
int32_t dialog_number(const wchar_t* text);

// Copies at most `chars` characters of `src` (up to its NUL) into `dst` of
// `units` units, always terminated; never more than units - 1.
void copy_dialog_text(wchar_t* dst, size_t units, const wchar_t* src, size_t chars);
