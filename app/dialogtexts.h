// What the settings and information dialogs read and show, as text: the
// about box's memory line and the numbers typed into the settings dialog.
// No platform calls here; app/dialogs_win.cpp runs the dialogs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/settings.h"

// Fields are read with these many characters at most.
constexpr size_t kDialogTextChars = 79;      // font name and every number
constexpr size_t kDialogProxyNameChars = kProxyNameUnits - 1;   // as Settings.ProxyName holds
constexpr size_t kDialogBBSTableChars = kSettingsTextUnits - 1;  // as Settings.BBSTable holds

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
