// The benchmark program's registry: each bench/*.cpp registers named
// benchmarks; quorvex_bench runs them all, or those named on its command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "store/boardtable.h"
#include "store/settings.h"

using BenchFunction = int (*)();   // 0 when the run went as planned

// A benchmark named with this prefix is a child role: the process another
// benchmark starts (quorvex_bench.exe <name>), never run with the others.
constexpr char kBenchChildPrefix[] = "child:";

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

// The benchmark program's folder, with its trailing backslash: the program
// and the do-nothing program (bench/idle/) are built beside it.
std::wstring module_folder();

// A log shaped like a busy thread of `responses` responses: names with and
// without trips, mail fields, dates with IDs, bodies of several lines with
// reply anchors and character references (bench/parse_bench.cpp).
std::string bench_thread_log(int responses);

// Writes `bytes` to `path` through the file library; false unless all of it
// reached the file. read_bytes gives a file's bytes, empty when it cannot be
// opened.
bool write_bytes(const std::string& path, const std::string& bytes);
std::string read_bytes(const std::string& path);

// A program folder of its own in the temporary directory, with a log tree
// "log" holding the board "mobile" of `host`, the only board of the table.
// Settings and the board table point at them while it lives and are put back
// afterwards; the folders are removed then (the benchmark deletes its files).
class BenchLogTree {
public:
    BenchLogTree(const wchar_t* name, const wchar_t* host);
    ~BenchLogTree();
    BenchLogTree(const BenchLogTree&) = delete;
    BenchLogTree& operator=(const BenchLogTree&) = delete;

    std::wstring program;    // ends in a backslash
    std::wstring root;       // program + "log"
    std::wstring boardDir;   // root + "\\mobile"

    // A path in the board's directory, in the ANSI code page.
    std::string board_file(const wchar_t* name) const;

private:
    SettingsRecord savedSettings_;
    BoardArray savedBoards_;
    BoardEntry board_{};
};

// The spread of a measurement taken over rounds: every figure the benchmarks
// print is a median with the minimum and maximum beside it.
struct Spread {
    double median;
    double min;
    double max;
};
Spread spread_of(std::vector<double> samples);
// The same in milliseconds, from samples in seconds.
Spread spread_ms(const std::vector<double>& seconds);
// "  <what> <median> ms (min <min>, max <max>)", of a spread in milliseconds.
void print_spread(const char* what, const Spread& ms);
