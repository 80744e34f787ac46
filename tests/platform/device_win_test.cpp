#include <gtest/gtest.h>

#include "platform/device.h"

namespace {
std::wstring type_for(const wchar_t* commandLine)
{
    platform_parse_command_line(commandLine);
    wchar_t buf[260] = L"unchanged";
    EXPECT_TRUE(platform_get_type(buf, 260));
    return buf;
}

struct DeviceReset {
    ~DeviceReset() { platform_parse_command_line(L""); }
};
}  // namespace

TEST(PlatformType, PocketPCWithoutSwitches)
{
    DeviceReset reset;
    EXPECT_EQ(type_for(L""), L"PocketPC");
    EXPECT_EQ(type_for(nullptr), L"PocketPC");
    EXPECT_EQ(type_for(L"\"C:\\Program Files\\quorvex\\quorvex.exe\""), L"PocketPC");
    EXPECT_EQ(type_for(L"/vga"), L"PocketPC");
}

TEST(PlatformType, SmartphoneSwitchInAnyCaseAndPlace)
{
    DeviceReset reset;
    EXPECT_EQ(type_for(L"/smartphone"), L"Smartphone");
    EXPECT_EQ(type_for(L"quorvex.exe /SmartPhone"), L"Smartphone");
    EXPECT_EQ(type_for(L"/vga\t/smartphone "), L"Smartphone");
}

TEST(PlatformType, OnlyWholeWordsCount)
{
    DeviceReset reset;
    EXPECT_EQ(type_for(L"/smartphones"), L"PocketPC");
    EXPECT_EQ(type_for(L"x/smartphone"), L"PocketPC");
    // A quoted path that happens to hold the switch text is one word.
    EXPECT_EQ(type_for(L"\"C:\\a /smartphone\\quorvex.exe\""), L"PocketPC");
}

TEST(PlatformType, EachParseStartsAfresh)
{
    DeviceReset reset;
    EXPECT_EQ(type_for(L"/smartphone"), L"Smartphone");
    EXPECT_EQ(type_for(L""), L"PocketPC");
}

TEST(PlatformType, BufferTooSmallFailsEmpty)
{
    DeviceReset reset;
    platform_parse_command_line(L"/smartphone");
    wchar_t small[10] = L"xxxxxxxxx";   // "Smartphone" needs 11 units
    EXPECT_FALSE(platform_get_type(small, 10));
    EXPECT_EQ(small[0], L'\0');
    wchar_t exact[11];
    EXPECT_TRUE(platform_get_type(exact, 11));
    EXPECT_STREQ(exact, L"Smartphone");
    EXPECT_FALSE(platform_get_type(nullptr, 11));
}

TEST(PlatformScreen, QvgaByDefaultVgaBySwitch)
{
    DeviceReset reset;
    platform_parse_command_line(L"");
    EXPECT_EQ(platform_scale(), 1);
    EXPECT_EQ(platform_client_size().cx, 240);
    EXPECT_EQ(platform_client_size().cy, 320);
    platform_parse_command_line(L"/VGA");
    EXPECT_EQ(platform_scale(), 2);
    EXPECT_EQ(platform_client_size().cx, 480);
    EXPECT_EQ(platform_client_size().cy, 640);
}

TEST(PlatformScreen, DefaultWindowGetsTheHandsetClientArea)
{
    DeviceReset reset;
    platform_parse_command_line(L"");
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PlatformScreenTest";
    RegisterClassW(&wc);
    for (const wchar_t* line : {L"", L"/vga"}) {
        platform_parse_command_line(line);
        RECT r = platform_default_window_rect(WS_VISIBLE, 0);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        // Never shown: only its client size matters.
        HWND w = CreateWindowExW(0, L"PlatformScreenTest", L"t", 0, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(w, nullptr);
        RECT client;
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, platform_client_size().cx) << "switches: " << (line[0] ? "vga" : "none");
        EXPECT_EQ(client.bottom, platform_client_size().cy);
        DestroyWindow(w);
    }
}
