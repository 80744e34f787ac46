#include "reader/memmap_win.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

std::atomic<MemmapDebugHook> g_debugHook{nullptr};

void debug_line(const char* line)
{
    OutputDebugStringA(line);
    if (MemmapDebugHook hook = g_debugHook.load()) hook(line);
}

}  // namespace

void set_memmap_debug_hook(MemmapDebugHook hook) { g_debugHook.store(hook); }

Memmap::Memmap()
{
    for (int i = 0; i < kMemmapSlots; ++i) {
        views_[i] = nullptr;
        handles_[i] = nullptr;
        sizes_[i] = 0;
    }
}

Memmap::~Memmap()
{
    for (int i = 0; i < kMemmapSlots; ++i) {
        if (handles_[i]) debug_line(kMemmapNotReleased);
    }
    if (spareHandle_) {
        UnmapViewOfFile(spareView_);
        CloseHandle(spareHandle_);
    }
}

void* Memmap::allocate(size_t size)
{
    if (size == 0) {
        debug_line(kMemmapCantAllocate);
        return nullptr;
    }
    const uint64_t wide = size;
    for (int i = 0; i < kMemmapSlots; ++i) {
        if (handles_[i]) continue;
        if (spareHandle_ && spareSize_ == size) {
            // Cleared when it was kept: it reads as zero like a fresh one.
            views_[i] = spareView_;
            handles_[i] = spareHandle_;
            sizes_[i] = size;
            spareView_ = nullptr;
            spareHandle_ = nullptr;
            return views_[i];
        }
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_COMMIT,
                                            static_cast<DWORD>(wide >> 32), static_cast<DWORD>(wide),
                                            nullptr);
        if (!mapping) continue;
        void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
        if (!view) {
            // A mapping without a view is no block: give it back and say so.
            CloseHandle(mapping);
            break;
        }
        // Pages of a fresh paging-file mapping read as zero.
        views_[i] = view;
        handles_[i] = mapping;
        sizes_[i] = size;
        return view;
    }
    debug_line(kMemmapCantAllocate);
    return nullptr;
}

int Memmap::slot_of(const void* address) const
{
    if (!address) return -1;
    for (int i = 0; i < kMemmapSlots; ++i)
        if (handles_[i] && views_[i] == address) return i;
    return -1;
}

void Memmap::unmap(int slot)
{
    UnmapViewOfFile(views_[slot]);
    CloseHandle(handles_[slot]);
    views_[slot] = nullptr;
    handles_[slot] = nullptr;
}

void Memmap::release(void* address)
{
    const int i = slot_of(address);
    if (i < 0) {
        debug_line(kMemmapDoubleRelease);
        return;
    }
    unmap(i);
}

void Memmap::release_for_reuse(void* address, size_t written)
{
    const int i = slot_of(address);
    if (i < 0) {
        debug_line(kMemmapDoubleRelease);
        return;
    }
    if (spareHandle_) {
        unmap(i);
        return;
    }
    std::memset(views_[i], 0, written < sizes_[i] ? written : sizes_[i]);
    spareView_ = views_[i];
    spareHandle_ = handles_[i];
    spareSize_ = sizes_[i];
    views_[i] = nullptr;
    handles_[i] = nullptr;
}

int Memmap::held() const
{
    int n = 0;
    for (int i = 0; i < kMemmapSlots; ++i)
        if (handles_[i]) ++n;
    return n;
}

Memmap& ProcessMemmap()
{
    // Constructed on first use and destroyed at process end, where it reports
    // the blocks never released.
    static Memmap instance;
    return instance;
}
