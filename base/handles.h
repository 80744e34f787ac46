// Small owners for what the platform hands out, so that every handle is
// released on every way out of a scope.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <utility>

// The owner of one thing the platform hands out. `Traits` names its type
// (`Type`), the value it holds when empty (`none()`), which values hold
// something (`valid(value)`) and how it is given back (`close(value)`).
template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;
    Unique() = default;
    explicit Unique(Type h) : h_(h) {}
    Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::none())) {}
    Unique& operator=(Unique&& o) noexcept
    {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, Traits::none()); }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { reset(); }

    Type get() const { return h_; }
    bool valid() const { return Traits::valid(h_); }
    explicit operator bool() const { return valid(); }
    Type release() { return std::exchange(h_, Traits::none()); }
    void reset(Type h = Traits::none())
    {
        if (valid()) Traits::close(h_);
        h_ = h;
    }
    // Gives it back now with the release's own result, for what must hear of
    // a failed close (a written file whose last bytes were lost). Only for
    // traits whose close() takes "none" as well.
    auto close() { return Traits::close(release()); }

private:
    Type h_ = Traits::none();
};

// Kernel handles closed with CloseHandle (files, threads, events, mappings).
struct HandleTraits {
    using Type = HANDLE;
    static HANDLE none() { return nullptr; }
    static bool valid(HANDLE h) { return h != nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits : HandleTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};
using UniqueHandle = Unique<HandleTraits>;        // threads, events, mappings
using UniqueFile = Unique<FileHandleTraits>;      // CreateFile results

// A block from LocalAlloc (or LocalReAlloc), freed with LocalFree.
template <typename T>
struct LocalTraits {
    using Type = T*;
    static T* none() { return nullptr; }
    static bool valid(T* p) { return p != nullptr; }
    static void close(T* p) { LocalFree(p); }
};
template <typename T>
using LocalBlock = Unique<LocalTraits<T>>;

// Gives the owned block a new size with LocalReAlloc, which moves it and
// frees the old place itself (an empty owner gets a fixed block, cleared when
// `flags` asks for it); on failure the block stays as it was.
template <typename T>
bool local_resize(LocalBlock<T>& block, SIZE_T bytes, UINT flags)
{
    T* moved = static_cast<T*>(block ? LocalReAlloc(block.get(), bytes, flags)
                                     : LocalAlloc(LMEM_FIXED | (flags & LMEM_ZEROINIT), bytes));
    if (!moved) return false;
    block.release();
    block.reset(moved);
    return true;
}

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
struct GdiTraits {
    using Type = T;
    static T none() { return nullptr; }
    static bool valid(T h) { return h != nullptr; }
    static void close(T h) { DeleteObject(h); }
};
template <typename T>
using GdiObject = Unique<GdiTraits<T>>;

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
struct MenuTraits {
    using Type = HMENU;
    static HMENU none() { return nullptr; }
    static bool valid(HMENU m) { return m != nullptr; }
    static void close(HMENU m) { DestroyMenu(m); }
};
using UniqueMenu = Unique<MenuTraits>;

// A socket closed with closesocket.
struct SocketTraits {
    using Type = SOCKET;
    static SOCKET none() { return INVALID_SOCKET; }
    static bool valid(SOCKET s) { return s != INVALID_SOCKET; }
    static void close(SOCKET s) { closesocket(s); }
};
using UniqueSocket = Unique<SocketTraits>;
