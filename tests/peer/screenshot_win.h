// What the screen shows of a window, for looking at by eye (kept as a BMP
// file: the end-to-end road's steps on the real engine) and for counting
// what is drawn there. The window may belong to another process: the screen
// is read, not the window.
#pragma once
#include <windows.h>

#include <string>

#include "base/handles.h"
#include "tests/support/pump_win.h"
#include "tests/support/tempdir.h"

// 24-bit rows, bottom up, each padded to four bytes, as a BMP holds them.
struct ScreenPixels {
    BITMAPINFOHEADER header{};
    std::string rows;

    bool operator==(const ScreenPixels& o) const { return rows == o.rows; }
    bool operator!=(const ScreenPixels& o) const { return !(*this == o); }
};

// The window with its frame (or its client area alone: no border, no
// scroll bar), once it and its children have painted (a window of another
// thread paints before RedrawWindow returns).
inline ScreenPixels capture_window(HWND window, bool clientOnly = false)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump_until_idle();
    RECT r{};
    if (clientOnly) {
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    } else {
        GetWindowRect(window, &r);
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    ScreenPixels shot;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    shot.header = bi.bmiHeader;
    if (w <= 0 || h <= 0) return shot;
    shot.rows.assign(static_cast<size_t>((w * 3 + 3) & ~3) * h, '\0');
    WindowDC screen(nullptr);
    MemoryDC dc(screen.get());
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    {
        SelectedObject chosen(dc.get(), bitmap.get());
        BitBlt(dc.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    }
    GetDIBits(dc.get(), bitmap.get(), 0, h, shot.rows.data(), &bi, DIB_RGB_COLORS);
    return shot;
}

// Pixels of the shot that are not white (a page's background).
inline int drawn_pixel_count(const ScreenPixels& shot)
{
    const int w = shot.header.biWidth, h = shot.header.biHeight;
    const size_t stride = static_cast<size_t>((w * 3 + 3) & ~3);
    int drawn = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char* p = shot.rows.data() + y * stride + x * 3;
            if (static_cast<unsigned char>(p[0]) != 0xFF || static_cast<unsigned char>(p[1]) != 0xFF ||
                static_cast<unsigned char>(p[2]) != 0xFF)
                ++drawn;
        }
    return drawn;
}

inline void save_window_bmp(HWND window, const std::string& path)
{
    const ScreenPixels shot = capture_window(window);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof shot.header;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(shot.rows.size());
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char*>(&shot.header), sizeof shot.header);
    write_file_bytes(path, bytes + shot.rows);
}
