// Large blocks (each open thread's 512 KB TextStore) taken from mappings
// backed by the paging file instead of the process heap, so that they come
// back to the system whole when a thread is closed.
#pragma once
#include <windows.h>

#include <cstddef>

constexpr int kMemmapSlots = 256;

class Memmap {
public:
    Memmap();
    // Writes "Memmap not released!\n" for every block still held; releases
    // nothing held (the process is ending), only the kept block.
    ~Memmap();
    Memmap(const Memmap&) = delete;
    Memmap& operator=(const Memmap&) = delete;

    // A zero-filled, writable block of `size` bytes, or null (with "Memmap
    // can't allocate!\n" on the debug output) when no slot is free or the
    // system gives no mapping.
    void* allocate(size_t size);
    // Gives back the block at `address`; an address that is not a held block
    // writes "Memmap double release!\n" and changes nothing.
    void release(void* address);
    // Gives back a block of which only the first `written` bytes were ever
    // written: they are cleared, and the block is kept for the next
    // allocation of its size, sparing that one the first touch of fresh pages
    // (dear on some machines). At most one block is kept; one more is given
    // back to the system as release() does.
    void release_for_reuse(void* address, size_t written);

    // Blocks handed out and not given back (a kept block is not held).
    int held() const;

private:
    // The slot holding the block at `address`, or -1.
    int slot_of(const void* address) const;
    void unmap(int slot);

    void* views_[kMemmapSlots];
    HANDLE handles_[kMemmapSlots];
    size_t sizes_[kMemmapSlots];
    void* spareView_ = nullptr;   // the kept block; it takes no slot
    HANDLE spareHandle_ = nullptr;
    size_t spareSize_ = 0;
};

// The process-wide allocator.
Memmap& ProcessMemmap();

// Every line Memmap writes to the debug output also goes to this hook, so
// that tests can see them. Null removes it.
using MemmapDebugHook = void (*)(const char* line);
void set_memmap_debug_hook(MemmapDebugHook hook);

// The debug-output texts.
constexpr char kMemmapCantAllocate[] = "Memmap can't allocate!\n";
constexpr char kMemmapDoubleRelease[] = "Memmap double release!\n";
constexpr char kMemmapNotReleased[] = "Memmap not released!\n";
