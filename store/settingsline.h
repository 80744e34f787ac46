// The settings file's lines, as text: reading one line into the record and
// producing the written form. No file access here; store/settings_win.cpp reads
// and writes the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/settings.h"

// The board-menu page used when the file names none.
extern const wchar_t kDefaultBBSTable[];

// The defaults inifile_defaults puts in place (FontSize and ToolBarVisible keep
// the record's own initial values).
void settings_defaults(SettingsRecord& s);

// Applies one line as the line reader delivers it: carriage returns already
// dropped, normally ending with its line feed. Its last character is removed
// unseen, so a last line without a line feed loses its final character.
// A NUL ends the line. Returns true when the line set a field; a line without ":" or with an
// unknown key changes nothing.
bool settings_apply_line(SettingsRecord& s, const wchar_t* line, size_t length);

// Copies at most `chars` characters of `src` (up to its NUL) into `dst` of
// `units` units, always terminated: a value longer than its field is cut to
// fit, never overruns it. Nothing is written when `units` is 0.
void copy_settings_text(wchar_t* dst, size_t units, const wchar_t* src, size_t chars);

// The value's decimal number: leading white space and a sign allowed, stops at
// the first non-digit, no digits give 0, out-of-range values are held at the
// 32-bit limits.
int32_t settings_number(const wchar_t* text, size_t length);

// The written form: lines 0 to 20 are the key lines in file order, line 21 the
// final empty line. Each ends with "\n" (CR LF once it reaches the file).
constexpr int kSettingsKeyCount = 21;
constexpr int kSettingsLineCount = kSettingsKeyCount + 1;
std::wstring settings_written_line(const SettingsRecord& s, int index);
std::wstring settings_written_form(const SettingsRecord& s);

// True when a log directory is already absolute: it begins with a backslash
// or with a drive ("C:\").
bool settings_logdir_is_absolute(const wchar_t* dir);

// From the module's full path: the settings file's path without "ini" (the
// path up to and including the last "." of its file name, or the path and a
// "." when the file name has none), and the program directory (up to and
// including the last backslash; empty when there is none).
std::wstring settings_path_stem(const std::wstring& modulePath);
std::wstring settings_program_directory(const std::wstring& modulePath);
