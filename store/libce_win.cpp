#include "store/libce.h"

#include <cstring>

#include "base/codepage.h"

namespace {

LibceFile g_files[kLibceSlots];
// Set when a byte was refused or a flush came up short on a slot since it
// was opened: a rewrite with such a gap must never replace the old file.
bool g_writeFailed[kLibceSlots];
// Guards every change of a slot's `token`, so that two threads opening at the
// same moment never take the same slot.
CRITICAL_SECTION g_claimLock;
INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;
volatile LONG g_rewriteSteps = 0;
volatile LONG g_killAtRewriteStep = 0;

HANDLE const kStdHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
// A slot taken by an open still in progress: neither free nor usable.
constexpr int8_t kTokenOpening = -1;
const char kMemoryExhaust[] = "Memory exhaust!\n";

unsigned char* alloc_buffer()
{
    return static_cast<unsigned char*>(LocalAlloc(LMEM_FIXED, kLibceBufferSize));
}

void free_buffer(LibceFile* f)
{
    LocalBlock<unsigned char> old(f->buffer);
    f->buffer = f->pos = f->readEnd = f->writeEnd = nullptr;
}

void reset_windows(LibceFile* f, unsigned char* buffer)
{
    f->buffer = f->pos = f->readEnd = f->writeEnd = buffer;
}

BOOL CALLBACK init_table(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSection(&g_claimLock);
    for (int i = 0; i < kLibceSlots; ++i) {
        LibceFile* f = &g_files[i];
        f->flags = 0;
        f->handle = INVALID_HANDLE_VALUE;
        reset_windows(f, nullptr);
        f->bufferSize = 0;
        f->level = 0;
        f->token = 0;
        f->replaceTarget[0] = '\0';
        InitializeCriticalSection(&f->putLock);
        InitializeCriticalSection(&f->writeLock);
    }
    const uint32_t stdFlags[3] = {LIBCE_STD | LIBCE_READ, LIBCE_STD | LIBCE_WRITE,
                                  LIBCE_STD | LIBCE_WRITE};
    for (int i = 0; i < kLibceFirstFileSlot; ++i) {
        LibceFile* f = &g_files[i];
        f->flags = stdFlags[i];
        f->handle = kStdHandle;
        f->bufferSize = kLibceBufferSize;
        f->token = 1;
        unsigned char* buffer = alloc_buffer();
        if (!buffer) libce_printf(kMemoryExhaust);
        reset_windows(f, buffer);
    }
    return TRUE;
}

void ensure_init() { InitOnceExecuteOnce(&g_initOnce, init_table, nullptr, nullptr); }

int slot_index(const LibceFile* f)
{
    for (int i = 0; i < kLibceSlots; ++i)
        if (f == &g_files[i]) return i;
    return -1;
}

bool is_file_slot(const LibceFile* f) { return slot_index(f) >= kLibceFirstFileSlot; }

void rewrite_step()
{
    const LONG step = InterlockedIncrement(&g_rewriteSteps);
    if (step == g_killAtRewriteStep) TerminateProcess(GetCurrentProcess(), kLibceKilledAtStep);
}

bool claim(LibceFile* f)
{
    EnterCriticalSection(&g_claimLock);
    bool free = f->token == 0;
    if (free) f->token = kTokenOpening;
    LeaveCriticalSection(&g_claimLock);
    return free;
}

void set_token(LibceFile* f, int8_t token)
{
    EnterCriticalSection(&g_claimLock);
    f->token = token;
    LeaveCriticalSection(&g_claimLock);
}

void note_write_failure(LibceFile* f)
{
    int i = slot_index(f);
    if (i >= 0) g_writeFailed[i] = true;
}

// Paths are ANSI byte strings with "/" or "\\"; the platform wants UTF-16
// with "\\". False when the path is too long or cannot be converted.
bool path_to_wide(const char* path, wchar_t (&wide)[kLibcePathBytes])
{
    size_t length = strnlen(path, kLibcePathBytes);
    if (length >= static_cast<size_t>(kLibcePathBytes)) return false;
    char copy[kLibcePathBytes];
    for (size_t i = 0; i <= length; ++i) copy[i] = path[i] == '/' ? '\\' : path[i];
    // Every character of code page 932 is one UTF-16 unit, so 255 bytes
    // always fit in 256 units: no path is ever cut here.
    return mb_to_wide(wide, copy, kLibcePathBytes) > 0;
}

struct ModeInfo {
    uint32_t flags;
    DWORD access;
    DWORD creation;
    char first;
};

bool parse_mode(const char* mode, ModeInfo& info)
{
    if (mode == nullptr) return false;
    info.first = mode[0];
    switch (mode[0]) {
    case 'r':
        info.flags = LIBCE_READ;
        info.access = GENERIC_READ;
        info.creation = OPEN_EXISTING;
        break;
    case 'w':
        info.flags = LIBCE_WRITE;
        info.access = GENERIC_WRITE;
        info.creation = CREATE_ALWAYS;
        break;
    case 'a':
        info.flags = LIBCE_WRITE;
        info.access = GENERIC_WRITE;
        info.creation = OPEN_ALWAYS;
        break;
    default:
        return false;
    }
    // Only the second character counts: "wb+" is write-only.
    if (mode[1] == '+') {
        info.flags |= LIBCE_READ | LIBCE_WRITE;
        info.access = GENERIC_READ | GENERIC_WRITE;
    } else if (mode[1] == 'b') {
        info.flags |= LIBCE_BINARY;
    }
    return true;
}

unsigned hex_of(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// Opens into a slot already claimed by the caller; frees it on failure.
LibceFile* open_claimed(const char* path, const char* mode, LibceFile* slot)
{
    trace_tag("fopen_r");
    trace_printf("filename='%s', mode='%s', f=0x%08x.\n", path, mode, hex_of(slot));
    ModeInfo info;
    wchar_t wide[kLibcePathBytes];
    if (path == nullptr || !parse_mode(mode, info) || !path_to_wide(path, wide)) {
        set_token(slot, 0);
        return nullptr;
    }
    trace_tag("fopen_r");
    trace_printf("abuf='%S', writef=0x%08x, createf=0x%04x.\n", wide,
                 static_cast<unsigned>(info.access), static_cast<unsigned>(info.creation));
    HANDLE h = CreateFileW(wide, info.access, FILE_SHARE_READ, nullptr, info.creation,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    slot->handle = h;
    trace_tag("fopen_r");
    trace_printf("fd=0x%08x.\n", hex_of(h));
    if (h == INVALID_HANDLE_VALUE) {
        set_token(slot, 0);
        return nullptr;
    }
    if (info.first == 'a') SetFilePointer(h, 0, nullptr, FILE_END);
    if (info.first == 'w') SetEndOfFile(h);

    slot->flags = info.flags;
    slot->bufferSize = kLibceBufferSize;
    slot->level = 0;
    slot->replaceTarget[0] = '\0';
    g_writeFailed[slot_index(slot)] = false;
    unsigned char* buffer = alloc_buffer();
    if (!buffer) libce_printf(kMemoryExhaust);
    reset_windows(slot, buffer);
    set_token(slot, 1);
    return slot;
}

// Slow path of the single-byte write: opens the write window, writing out
// whatever the buffer holds first.
int flushput(int c, LibceFile* f)
{
    EnterCriticalSection(&f->putLock);
    int result = -1;
    if ((f->flags & LIBCE_WRITE) && !(f->flags & LIBCE_STD) && f->buffer &&
        libce_fflush(f) == 0) {
        f->writeEnd = f->buffer + f->bufferSize;
        *f->pos++ = static_cast<unsigned char>(c);
        result = c & 0xFF;
    }
    LeaveCriticalSection(&f->putLock);
    if (result < 0 && (f->flags & LIBCE_WRITE) && !(f->flags & LIBCE_STD)) note_write_failure(f);
    return result;
}

// Reads up to `size` bytes of the file into `into`; 0 (and the end-of-file
// mark) at the end of the file or on an error.
DWORD read_file(LibceFile* f, void* into, DWORD size)
{
    if ((f->flags & LIBCE_EOF) || !(f->flags & LIBCE_READ)) return 0;
    // Pending output goes first; if it cannot, reading would overwrite it.
    if (libce_fflush(f) != 0) return 0;
    DWORD got = 0;
    if (!ReadFile(f->handle, into, size, &got, nullptr) || got == 0) {
        f->flags |= LIBCE_EOF;
        return 0;
    }
    return got;
}

// Refills the buffer; false at the end of the file.
bool refill(LibceFile* f)
{
    if (!f->buffer) return false;
    DWORD got = read_file(f, f->buffer, f->bufferSize);
    if (got == 0) return false;
    f->level = got;
    f->writeEnd = f->buffer;
    f->readEnd = f->buffer + got;
    f->pos = f->buffer;
    return true;
}

int fillbuf(LibceFile* f)
{
    if (!refill(f)) return -1;
    return *f->pos++;
}

// Where a rewrite's new content goes: "<target>.new".
bool replacement_path(const char* target, char (&out)[kLibcePathBytes])
{
    int n = libce_snprintf(out, sizeof out, "%s.new", target);
    return n > 0 && n < kLibcePathBytes;
}

// Closes the handle and frees the slot; the caller has flushed (or given up).
bool release_slot(LibceFile* f)
{
    BOOL closed = CloseHandle(f->handle);
    f->handle = INVALID_HANDLE_VALUE;
    free_buffer(f);
    f->flags = 0;
    f->level = 0;
    f->replaceTarget[0] = '\0';
    set_token(f, 0);
    return closed != FALSE;
}

bool in_use_file(const LibceFile* f)
{
    return f != nullptr && is_file_slot(f) && f->token == 1 && f->handle != INVALID_HANDLE_VALUE &&
           f->handle != kStdHandle;
}

}  // namespace

void libce_init() { ensure_init(); }

void libce_kill_at_rewrite_step(int step) { InterlockedExchange(&g_killAtRewriteStep, step); }

int libce_rewrite_steps() { return static_cast<int>(g_rewriteSteps); }

LibceFile* libce_fopen(const char* path, const char* mode)
{
    ensure_init();
    for (int i = kLibceFirstFileSlot; i < kLibceSlots; ++i) {
        if (claim(&g_files[i])) return open_claimed(path, mode, &g_files[i]);
    }
    return nullptr;
}

int libce_fflush(LibceFile* f)
{
    if (f == nullptr) return -1;
    if (f->buffer) {
        trace_tag("libce_fflush");
        trace_printf("flags=0x%04x, level=%d.\n", f->flags, static_cast<int>(f->level));
    }
    if ((f->flags & LIBCE_WRITE) && !(f->flags & LIBCE_STD) && f->writeEnd != f->buffer) {
        DWORD pending = static_cast<DWORD>(f->pos - f->buffer);
        f->level = pending;
        if (pending != 0) {
            const bool rewriting = f->replaceTarget[0] != '\0';
            if (rewriting) rewrite_step();
            DWORD written = 0;
            BOOL ok = WriteFile(f->handle, f->buffer, pending, &written, nullptr);
            if (!ok) written = 0;
            if (written < pending) {
                // Keep only the bytes that did not reach the file, so a later
                // flush neither loses nor repeats any.
                memmove(f->buffer, f->buffer + written, pending - written);
                f->pos = f->buffer + (pending - written);
                f->level = pending - written;
                note_write_failure(f);
                return -1;
            }
            if (rewriting) rewrite_step();
            if (!FlushFileBuffers(f->handle)) {
                note_write_failure(f);
                f->level = 0;
                reset_windows(f, f->buffer);
                return -1;
            }
        }
    }
    f->level = 0;
    reset_windows(f, f->buffer);
    return 0;
}

int libce_fclose(LibceFile* f)
{
    if (f == nullptr) return 0;
    if (!in_use_file(f)) {
        trace_tag("libce_fclose");
        trace_printf("f=0x%08x, token=%d, fd=0x%08x.\n", hex_of(f),
                     is_file_slot(f) ? f->token : 0, is_file_slot(f) ? hex_of(f->handle) : 0u);
        return 0;
    }
    if (f->replaceTarget[0] != '\0') {
        // A rewrite closed the ordinary way was never confirmed: the old file stays.
        libce_fclose_replace(f, false);
        return 0;
    }
    trace_tag("libce_fclose");
    trace_printf("flags=0x%04x.\n", f->flags);
    // The unwritten bytes are lost either way, but the caller hears of it.
    bool complete = libce_fflush(f) == 0 && !g_writeFailed[slot_index(f)];
    bool closed = release_slot(f);
    return complete && closed ? 0 : -1;
}

int libce_putc(int c, LibceFile* f)
{
    if (f == nullptr) return -1;
    if (f->pos < f->writeEnd) {
        *f->pos++ = static_cast<unsigned char>(c);
        return c & 0xFF;
    }
    return flushput(c, f);
}

int libce_fputs(const char* text, LibceFile* f)
{
    if (text == nullptr || f == nullptr) return 0;
    int put = 0;
    unsigned char previous = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '\n' && previous != '\r' && libce_putc('\r', f) != -1) ++put;
        if (libce_putc(*p, f) != -1) ++put;
        previous = *p;
    }
    return put;
}

size_t libce_fwrite(const void* data, size_t size, size_t count, LibceFile* f)
{
    if (data == nullptr || f == nullptr || size == 0 || count == 0) return 0;
    if (count > SIZE_MAX / size) return 0;
    size_t total = size * count;
    size_t taken = 0;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    EnterCriticalSection(&f->writeLock);
    for (size_t i = 0; i < total; ++i)
        if (libce_putc(p[i], f) != -1) ++taken;
    LeaveCriticalSection(&f->writeLock);
    return taken;
}

char* libce_fgets(char* buf, int size, LibceFile* f)
{
    if (buf == nullptr || f == nullptr || size < 1) return nullptr;
    if (size == 1) {
        buf[0] = '\0';
        return buf;
    }
    int stored = 0;
    for (int counted = 0; counted < size - 1; ++counted) {
        int c = f->pos < f->readEnd ? *f->pos++ : fillbuf(f);
        if (c < 0) {
            if (stored == 0) return nullptr;
            break;
        }
        if (c == '\r') continue;  // dropped wherever it stands
        buf[stored++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buf[stored] = '\0';
    return buf;
}

size_t libce_fread(void* data, size_t size, LibceFile* f)
{
    if (data == nullptr || f == nullptr) return 0;
    unsigned char* out = static_cast<unsigned char*>(data);
    size_t got = 0;
    while (got < size) {
        if (f->pos < f->readEnd) {
            size_t n = static_cast<size_t>(f->readEnd - f->pos);
            if (n > size - got) n = size - got;
            memcpy(out + got, f->pos, n);
            f->pos += n;
            got += n;
        } else if (size - got >= f->bufferSize) {
            // Whole buffers' worth go straight to the caller, a copy saved.
            const size_t want = size - got < 0x40000000u ? size - got : 0x40000000u;
            DWORD n = read_file(f, out + got, static_cast<DWORD>(want));
            if (n == 0) break;
            got += n;
        } else if (!refill(f)) {
            break;
        }
    }
    return got;
}

int libce_fseek(LibceFile* f, long offset, int origin)
{
    if (f == nullptr || origin < 0 || origin > 2) return -1;
    if (libce_fflush(f) != 0) return -1;
    if ((f->flags & LIBCE_STD) || f->handle == INVALID_HANDLE_VALUE) return -1;
    static const DWORD kMethods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    SetLastError(NO_ERROR);
    DWORD at = SetFilePointer(f->handle, static_cast<LONG>(offset), nullptr, kMethods[origin]);
    if (at == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    f->flags &= ~LIBCE_EOF;
    return 0;
}

LibceFile* libce_fopen_replace(const char* path)
{
    if (path == nullptr) return nullptr;
    char fresh[kLibcePathBytes];
    if (strnlen(path, kLibcePathBytes) >= static_cast<size_t>(kLibcePathBytes) ||
        !replacement_path(path, fresh))
        return nullptr;
    rewrite_step();
    LibceFile* f = libce_fopen(fresh, "w");
    if (f == nullptr) return nullptr;
    memcpy(f->replaceTarget, path, strlen(path) + 1);
    return f;
}

int libce_fclose_replace(LibceFile* f, bool commit)
{
    if (!in_use_file(f)) return -1;
    if (f->replaceTarget[0] == '\0') {
        libce_fclose(f);
        return -1;
    }
    char fresh[kLibcePathBytes];
    wchar_t freshWide[kLibcePathBytes];
    wchar_t targetWide[kLibcePathBytes];
    bool named = replacement_path(f->replaceTarget, fresh) && path_to_wide(fresh, freshWide) &&
                 path_to_wide(f->replaceTarget, targetWide);

    trace_tag("libce_fclose_replace");
    trace_printf("target='%s', commit=%d.\n", f->replaceTarget, commit ? 1 : 0);
    bool complete = commit && libce_fflush(f) == 0 && !g_writeFailed[slot_index(f)];
    rewrite_step();
    bool closed = release_slot(f);
    bool replaced = false;
    if (named && commit && complete && closed) {
        rewrite_step();
        replaced = MoveFileExW(freshWide, targetWide, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        rewrite_step();
    }
    if (!replaced && named) DeleteFileW(freshWide);
    return replaced ? 0 : -1;
}
