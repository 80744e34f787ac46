#include "reader/entities_win.h"

#include <windows.h>

#include "base/codepage.h"

std::wstring title_for_file(const std::wstring& shown)
{
    return with_references_for_unheld(shown, ControlChars::Encode);
}
