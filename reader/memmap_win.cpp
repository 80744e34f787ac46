#include "reader/memmap_win.h"

#include <atomic>
#include <cstdint>

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
    }
}

Memmap::~Memmap()
{
    for (int i = 0; i < kMemmapSlots; ++i) {
        if (handles_[i]) debug_line(kMemmapNotReleased);
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
        return view;
    }
    debug_line(kMemmapCantAllocate);
    return nullptr;
}

void Memmap::release(void* address)
{
    if (address) {
        for (int i = 0; i < kMemmapSlots; ++i) {
            if (handles_[i] && views_[i] == address) {
                UnmapViewOfFile(views_[i]);
                CloseHandle(handles_[i]);
                views_[i] = nullptr;
                handles_[i] = nullptr;
                return;
            }
        }
    }
    debug_line(kMemmapDoubleRelease);
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
