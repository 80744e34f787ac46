// The program's buffered file library: a fixed table of sixteen handles with a
// 4096-byte buffer each. Line reading drops every CR; text output writes every
// lone LF as CR LF; so files carry CR LF on disk and the program sees LF only.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "base/handles.h"
#include "store/format.h"

constexpr uint32_t LIBCE_STD = 0x0001;
constexpr uint32_t LIBCE_READ = 0x0004;
constexpr uint32_t LIBCE_WRITE = 0x0008;
constexpr uint32_t LIBCE_BINARY = 0x0080;
constexpr uint32_t LIBCE_EOF = 0x0200;

constexpr int kLibceSlots = 16;
constexpr int kLibceFirstFileSlot = 3;    // 0..2 are the standard streams
constexpr uint32_t kLibceBufferSize = 4096;
constexpr int kLibcePathBytes = 256;      // longer paths are refused

struct LibceFile {
    uint32_t flags;
    HANDLE handle;
    unsigned char* buffer;
    unsigned char* pos;
    unsigned char* readEnd;
    unsigned char* writeEnd;
    uint32_t bufferSize;
    uint32_t level;
    int8_t token;
    CRITICAL_SECTION putLock;
    CRITICAL_SECTION writeLock;
    // Set by libce_fopen_replace: the file that the finished rewrite replaces.
    char replaceTarget[kLibcePathBytes];
};

void libce_init();
LibceFile* libce_fopen(const char* path, const char* mode);
// 0; -1 when bytes written since opening could not all reach the file (they
// are lost, but the caller learns of it).
int libce_fclose(LibceFile* f);
int libce_fflush(LibceFile* f);
char* libce_fgets(char* buf, int size, LibceFile* f);
// Up to `size` bytes as they stand in the file (CR kept), for readers that
// split a whole file themselves; large reads go straight into `data`. The
// bytes read: fewer than `size` only at the end of the file or on an error.
size_t libce_fread(void* data, size_t size, LibceFile* f);
// The byte taken (0..255, so a 0xFF byte is never mistaken for -1), or -1.
int libce_putc(int c, LibceFile* f);
int libce_fputs(const char* text, LibceFile* f);
// The number of bytes taken: size × count unless some were refused.
size_t libce_fwrite(const void* data, size_t size, size_t count, LibceFile* f);
int libce_fseek(LibceFile* f, long offset, int origin);
int libce_printf(const char* format, ...);

// Safe rewrite of a whole file: the new content goes to a file beside `path`
// ("<path>.new"), and only a complete, flushed copy replaces `path`. A process
// that dies half-way, a full disk or a failed open leaves the old file intact.
LibceFile* libce_fopen_replace(const char* path);
// Flushes and closes; when `commit` is true and every byte reached the disk,
// moves the new file over the old one. Returns 0 when the old file was
// replaced, -1 otherwise (the new file is then removed). A rewrite closed
// with plain libce_fclose is abandoned the same way.
int libce_fclose_replace(LibceFile* f, bool commit);

// The owner of an open file: closed with libce_fclose when the scope ends
// (a rewrite not yet confirmed is then abandoned and the old file kept).
// close() closes at once and gives libce_fclose's result, for writers that
// must hear of lost bytes.
struct LibceFileTraits {
    using Type = LibceFile*;
    static LibceFile* none() { return nullptr; }
    static bool valid(LibceFile* f) { return f != nullptr; }
    static int close(LibceFile* f) { return libce_fclose(f); }
};
using UniqueLibceFile = Unique<LibceFileTraits>;
// Ends the owned rewrite as libce_fclose_replace does; the owner is empty after.
inline int libce_fclose_replace(UniqueLibceFile& f, bool commit) { return libce_fclose_replace(f.release(), commit); }

// A seam for the tests that kill the program half-way through a rewrite:
// the steps of every safe rewrite (opening "<path>.new", each write and each
// flush of it, its closing, the move over the old file and the moment after
// it) are counted from 1, and the process ends itself (TerminateProcess, exit
// code kLibceKilledAtStep) when step `step` comes, before doing it. 0, the
// default, never ends it.
constexpr UINT kLibceKilledAtStep = 0x4B11;
void libce_kill_at_rewrite_step(int step);
// The rewrite steps this process has taken.
int libce_rewrite_steps();

// The internal trace points; nothing reads them, they go to the debug output
// only when tracing is switched on.
int trace_tag(const char* tag);
int trace_printf(const char* format, ...);
