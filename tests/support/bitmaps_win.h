// Test helpers for looking at what was drawn by eye: bitmaps written as BMP
// files, and what the screen shows of a window.
#pragma once
#include <windows.h>

#include <string>

#include "tests/support/pump_win.h"
#include "tests/support/tempdir.h"

// Writes `bitmap` as a 24-bit BMP file.
inline bool save_bitmap(HBITMAP bitmap, const std::string& path)
{
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info)) return false;
    const int w = info.bmWidth, h = info.bmHeight;
    const int stride = (w * 3 + 3) & ~3;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, h, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    bytes += pixels;
    write_file_bytes(path, bytes);
    return true;
}

// Writes what the screen shows of `window` (with its frame, or only its
// client area) as a BMP file, once it and its children have painted.
inline void save_window(HWND window, const std::string& path, bool withFrame)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump_rounds(40, 10);
    RECT r;
    if (withFrame) GetWindowRect(window, &r);
    else GetClientRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC source = withFrame ? GetDC(nullptr) : GetDC(window);
    HDC dc = CreateCompatibleDC(source);
    HBITMAP bitmap = CreateCompatibleBitmap(source, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, source, withFrame ? r.left : 0, withFrame ? r.top : 0, SRCCOPY);
    SelectObject(dc, old);
    save_bitmap(bitmap, path);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(withFrame ? nullptr : window, source);
}
