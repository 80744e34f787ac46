// The settings file beside the executable and the process-wide record it fills.
#pragma once
#include <cstdint>

constexpr int kSettingsTextUnits = 260;   // BBSTable, LogDir, Font
constexpr int kProxyNameUnits = 33;       // 32 characters and terminator
constexpr int kAnsiPathBytes = 260;

struct SettingsRecord {
    // Stored in the file, in this order.
    wchar_t BBSTable[kSettingsTextUnits];
    wchar_t LogDir[kSettingsTextUnits];
    wchar_t Font[kSettingsTextUnits];
    int32_t FontSize = 10;
    wchar_t ProxyName[kProxyNameUnits];
    int32_t ProxyPort;
    int32_t ProxyUse;
    int32_t ThreadMax;
    int32_t UseThreadMax;
    int32_t LogOnlyMode;
    int32_t LineOnOff;
    int32_t UseServerDir;
    int32_t ToolBarVisible = 1;
    int32_t DebugMode;
    int32_t Flag;            // bit 0 modeless reply editor, bit 1 alternative menu bars, bit 2 search box always shown
    int32_t SureLines;
    int32_t SortNew;
    uint8_t VentCtrl;

    // Run-time values, never written to the file.
    char SettingsFilePath[kAnsiPathBytes];
    char ProgramDirectory[kAnsiPathBytes];   // with its trailing backslash
    char LogDirAnsi[kAnsiPathBytes];
    int32_t LogsExcludedFromCount = 1;
};

extern SettingsRecord Settings;
