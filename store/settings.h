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
    int32_t Flag;            // the kFlag bits below
    int32_t SureLines;
    int32_t SortNew;
    uint8_t VentCtrl;
    // Hiding from the NG lists (store/ngfile.h); after the keys an older
    // reader knows, which it passes over.
    int32_t NgLapseDays = 2;     // days an NG ID stays in force; 0 keeps it
    int32_t NgTransparent = 0;   // hidden responses vanish with their numbers
    int32_t NgChain = 1;         // responses anchoring only hidden ones are hidden too

    // Run-time values, never written to the file.
    char SettingsFilePath[kAnsiPathBytes];
    char ProgramDirectory[kAnsiPathBytes];   // with its trailing backslash
    char LogDirAnsi[kAnsiPathBytes];
    int32_t LogsExcludedFromCount = 1;
};

// Bits of SettingsRecord.Flag.
constexpr int32_t kFlagModelessReplyEditor = 0x1;
constexpr int32_t kFlagAlternativeMenuBars = 0x2;
constexpr int32_t kFlagSearchBoxAlwaysShown = 0x4;   // and kept shown when it loses the focus

extern SettingsRecord Settings;

// The settings file (Win32 build only). Called in this order at start:
// ProgramDirectory filled, inifile_defaults, inifile_load, create_log_root,
// inifile_save; inifile_save once more when the main window goes away.
void inifile_defaults();
// Always 1: a missing file is reported and leaves the defaults in place.
int inifile_load();
// 1 when the whole file was written; 0 leaves the old file as it was.
int inifile_save();

// The settings file and the program directory are found from the module's
// own file name. `modulePath` replaces that name (tests point it into a folder
// of their own); null goes back to the running executable. Either way
// ProgramDirectory is filled from it.
void settings_set_module_path(const wchar_t* modulePath);
// Fills Settings.ProgramDirectory (with its trailing backslash) from the module
// path. Returns 1, or 0 when the directory does not fit its field.
int settings_fill_program_directory();
