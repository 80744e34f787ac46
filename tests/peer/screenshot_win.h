// What the screen shows of a window, kept as a BMP file for looking at by
// eye: the end-to-end road's steps on the real engine.
#pragma once
#include <windows.h>

#include <string>

#include "base/handles.h"
#include "tests/support/pump_win.h"
#include "tests/support/tempdir.h"

// Writes the window with its frame, once it and its children have painted.
inline void save_window_bmp(HWND window, const std::string& path)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump_until_idle();
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int stride = (w * 3 + 3) & ~3;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    {
        WindowDC screen(nullptr);
        MemoryDC dc(screen.get());
        GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), w, h));
        {
            SelectedObject chosen(dc.get(), bitmap.get());
            BitBlt(dc.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
        }
        GetDIBits(dc.get(), bitmap.get(), 0, h, pixels.data(), &bi, DIB_RGB_COLORS);
    }
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    write_file_bytes(path, bytes + pixels);
}
