// The benchmark program's registry: each bench/*.cpp registers named
// benchmarks; quorvex_bench runs them all, or those named on its command line.
#pragma once
#include <cstdint>
#include <string>

using BenchFunction = int (*)();   // 0 when the run went as planned

struct BenchRegistration {
    BenchRegistration(const char* name, BenchFunction run);
};

#define QUORVEX_BENCH(ident, name)                    \
    static int ident();                               \
    static BenchRegistration ident##_registration(name, ident); \
    static int ident()

// Seconds since an arbitrary start, from the high-resolution counter.
double bench_seconds();

// Text in code page 932, as the logs and lists hold it (at most 511 bytes).
std::string sjis(const wchar_t* text);

// Writes `bytes` to `path` through the file library; false unless all of it
// reached the file.
bool write_bytes(const std::string& path, const std::string& bytes);
