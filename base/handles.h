// Small owners for what the platform hands out, so that every handle is
// released on every way out of a scope.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <utility>

// A kernel handle closed with CloseHandle (files, threads, events, mappings).
// `Invalid` is the value that means "none" for that kind of handle.
template <HANDLE (*Invalid)()>
class BasicHandle {
public:
    BasicHandle() = default;
    explicit BasicHandle(HANDLE h) : h_(h) {}
    BasicHandle(BasicHandle&& o) noexcept : h_(std::exchange(o.h_, Invalid())) {}
    BasicHandle& operator=(BasicHandle&& o) noexcept
    {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, Invalid()); }
        return *this;
    }
    BasicHandle(const BasicHandle&) = delete;
    BasicHandle& operator=(const BasicHandle&) = delete;
    ~BasicHandle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != Invalid() && h_ != nullptr; }
    HANDLE release() { return std::exchange(h_, Invalid()); }
    void reset(HANDLE h = Invalid())
    {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = Invalid();
};

inline HANDLE null_handle() { return nullptr; }
inline HANDLE invalid_file_handle() { return INVALID_HANDLE_VALUE; }
using UniqueHandle = BasicHandle<null_handle>;          // threads, events, mappings
using UniqueFile = BasicHandle<invalid_file_handle>;    // CreateFile results

// A critical section, initialised and deleted with its owner.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void lock() { EnterCriticalSection(&cs_); }
    void unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CriticalLock {
public:
    explicit CriticalLock(CriticalSection& cs) : cs_(cs) { cs_.lock(); }
    ~CriticalLock() { cs_.unlock(); }
    CriticalLock(const CriticalLock&) = delete;
    CriticalLock& operator=(const CriticalLock&) = delete;

private:
    CriticalSection& cs_;
};

// A GDI object (font, bitmap, brush, pen) deleted with DeleteObject.
template <typename T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T h) : h_(h) {}
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept
    {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, nullptr); }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { reset(); }
    T get() const { return h_; }
    void reset(T h = nullptr)
    {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    T h_ = nullptr;
};

// An object selected into a DC for the life of the scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A DC from GetDC, released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() { if (dc_) ReleaseDC(hwnd_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDC() { if (dc_) DeleteDC(dc_); }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// A menu loaded or created by the program, destroyed with DestroyMenu.
class UniqueMenu {
public:
    UniqueMenu() = default;
    explicit UniqueMenu(HMENU m) : m_(m) {}
    UniqueMenu(UniqueMenu&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
    UniqueMenu& operator=(UniqueMenu&& o) noexcept
    {
        if (this != &o) { reset(); m_ = std::exchange(o.m_, nullptr); }
        return *this;
    }
    UniqueMenu(const UniqueMenu&) = delete;
    UniqueMenu& operator=(const UniqueMenu&) = delete;
    ~UniqueMenu() { reset(); }
    HMENU get() const { return m_; }
    HMENU release() { return std::exchange(m_, nullptr); }
    void reset(HMENU m = nullptr)
    {
        if (m_) DestroyMenu(m_);
        m_ = m;
    }

private:
    HMENU m_ = nullptr;
};

// A socket closed with closesocket.
class UniqueSocket {
public:
    UniqueSocket() = default;
    explicit UniqueSocket(SOCKET s) : s_(s) {}
    UniqueSocket(UniqueSocket&& o) noexcept : s_(std::exchange(o.s_, INVALID_SOCKET)) {}
    UniqueSocket& operator=(UniqueSocket&& o) noexcept
    {
        if (this != &o) { reset(); s_ = std::exchange(o.s_, INVALID_SOCKET); }
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    ~UniqueSocket() { reset(); }
    SOCKET get() const { return s_; }
    bool valid() const { return s_ != INVALID_SOCKET; }
    SOCKET release() { return std::exchange(s_, INVALID_SOCKET); }
    void reset(SOCKET s = INVALID_SOCKET)
    {
        if (s_ != INVALID_SOCKET) closesocket(s_);
        s_ = s;
    }

private:
    SOCKET s_ = INVALID_SOCKET;
};
