// The application shell's own texts: messages, captions and progress captions.
#pragma once

constexpr wchar_t kTextSocketStartupFailed[] = L"WSAStartupエラーです";

constexpr wchar_t kCaptionAddFontsInfo[] = L"addFontsInfo";

constexpr wchar_t kProgressInitialising[] = L"初期化中";
constexpr wchar_t kProgressShuttingDown[] = L"終了処理中";
constexpr wchar_t kProgressShuttingDownCount[] = L"%d 終了処理中";   // open-thread index

constexpr wchar_t kMainWindowClass[] = L"quorvex";
constexpr wchar_t kMainWindowTitle[] = L"quorvex";
