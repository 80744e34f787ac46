// Memory with 20 open threads of 1000 responses each, opened the program's
// way (entries of the open-thread table, each log parsed into its buffers and
// its 512 KB text store), in a child process of its own so that the figures
// are the program's and not the benchmark's: private bytes and working set
// before and after. Goal: 20 x 512 KB + 2 MB for the program's own, that is
// beyond what a do-nothing windowed process (bench/idle/) holds under Wine.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/handles.h"
#include "bench/bench.h"
#include "reader/conversation.h"
#include "reader/datread_win.h"
#include "reader/opentable_win.h"

namespace {

constexpr int kThreads = 20;
constexpr int kResponses = 1000;
constexpr int kRounds = 5;
constexpr double kGoalBytes = kThreads * 512.0 * 1024 + 2.0 * 1024 * 1024;
constexpr char kMemoryRole[] = "child:memory";
constexpr char kFiguresFormat[] = "memory %llu %llu %llu %llu\n";

struct Figures {
    double privateBytes;
    double workingSet;
};

Figures own_memory()
{
    PROCESS_MEMORY_COUNTERS_EX c{};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c);
    // Wine leaves PrivateUsage at 0; the commit charge it does fill is the
    // same figure on the handset's system.
    const SIZE_T privateBytes = c.PrivateUsage ? c.PrivateUsage : c.PagefileUsage;
    return {static_cast<double>(privateBytes), static_cast<double>(c.WorkingSetSize)};
}

std::wstring log_name(int i) { return std::to_wstring(1141183496 + i) + L".dat"; }

// Runs the child and reads the figures it prints: before and after opening.
bool run_child(Figures* before, Figures* after)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(path) + L"\" " + std::wstring(kMemoryRole, kMemoryRole + sizeof kMemoryRole - 1);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    const bool started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    std::string out;
    char buf[256];
    DWORD n = 0;
    while (started && ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(readEnd);
    if (!started) return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    unsigned long long v[4];
    const size_t at = out.find("memory ");
    if (code != 0 || at == std::string::npos ||
        std::sscanf(out.c_str() + at, kFiguresFormat, &v[0], &v[1], &v[2], &v[3]) != 4)
        return false;
    *before = {static_cast<double>(v[0]), static_cast<double>(v[1])};
    *after = {static_cast<double>(v[2]), static_cast<double>(v[3])};
    return true;
}

// Private bytes of the do-nothing windowed program once it waits for input:
// what Wine and the system hold in any process before a program does anything.
double idle_private_bytes()
{
    std::wstring line = L"\"" + module_folder() + L"quorvex_bench_idle.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    double bytes = -1;
    if (WaitForInputIdle(pi.hProcess, 60000) == 0) {
        PROCESS_MEMORY_COUNTERS_EX c{};
        c.cb = sizeof c;
        if (GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c))
            bytes = static_cast<double>(c.PrivateUsage ? c.PrivateUsage : c.PagefileUsage);
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 60000);
    return bytes;
}

void print_mb(const char* label, const std::vector<double>& bytes)
{
    const Spread s = spread_of(bytes);
    constexpr double kMb = 1024.0 * 1024.0;
    std::printf("  %-34s %7.2f MB (min %.2f, max %.2f)\n", label, s.median / kMb, s.min / kMb, s.max / kMb);
}

}  // namespace

// The child: writes the logs, notes its memory, opens every thread, notes it again.
QUORVEX_BENCH(memory_child, kMemoryRole)
{
    BenchLogTree tree(L"quorvex-bench-memory", L"srv.example.test");
    const std::string log = bench_thread_log(kResponses);
    int result = 0;
    for (int i = 0; i < kThreads && result == 0; ++i)
        if (!write_bytes(tree.board_file(log_name(i).c_str()), log)) result = 1;
    const Figures before = own_memory();
    Alloc_resdata_buf();
    OpenThreadTableRecord& t = OpenThreadTable;
    for (int i = 0; i < kThreads && result == 0; ++i) {
        if (t.count >= 1) Resdata_ReAlloc_buffer();
        if (!t.entries || t.count >= t.entryCapacity || !Resdata_read2(0, log_name(i).c_str(), t.count) ||
            t.entries[t.count].responseCount != kResponses)
            result = 1;
        else
            ++t.count;
    }
    const Figures after = own_memory();
    if (result == 0)
        std::printf(kFiguresFormat, static_cast<unsigned long long>(before.privateBytes),
                    static_cast<unsigned long long>(before.workingSet),
                    static_cast<unsigned long long>(after.privateBytes),
                    static_cast<unsigned long long>(after.workingSet));
    std::fflush(stdout);
    for (int i = 0; i < t.count; ++i) {
        Resdata_release_storage(t.entries[i]);
        conversation_release(t.entries[i]);
    }
    for (int i = 0; i < kThreads; ++i) DeleteFileA(tree.board_file(log_name(i).c_str()).c_str());
    return result;
}

QUORVEX_BENCH(memory_open_threads, "memory")
{
    std::vector<double> privBefore, privAfter, wsBefore, wsAfter, privIdle, privOwn;
    for (int round = 0; round < kRounds; ++round) {
        Figures before, after;
        if (!run_child(&before, &after)) {
            std::printf("the child could not open %d threads\n", kThreads);
            return 1;
        }
        const double idle = idle_private_bytes();
        if (idle < 0) {
            std::printf("the do-nothing program (quorvex_bench_idle.exe) could not be measured\n");
            return 1;
        }
        privIdle.push_back(idle);
        privOwn.push_back(after.privateBytes - idle);
        privBefore.push_back(before.privateBytes);
        wsBefore.push_back(before.workingSet);
        privAfter.push_back(after.privateBytes);
        wsAfter.push_back(after.workingSet);
    }
    std::printf("%d open threads of %d responses each (a child process, %d rounds)\n", kThreads, kResponses,
                kRounds);
    print_mb("private bytes, no thread open:", privBefore);
    print_mb("private bytes, threads open:", privAfter);
    print_mb("working set, no thread open:", wsBefore);
    print_mb("working set, threads open:", wsAfter);
    std::vector<double> privGrowth, wsGrowth;
    for (size_t i = 0; i < privAfter.size(); ++i) {
        privGrowth.push_back(privAfter[i] - privBefore[i]);
        wsGrowth.push_back(wsAfter[i] - wsBefore[i]);
    }
    print_mb("private bytes the threads took:", privGrowth);
    print_mb("working set the threads took:", wsGrowth);
    print_mb("private bytes, do-nothing program:", privIdle);
    print_mb("the program's own, threads open:", privOwn);
    const double own = spread_of(privOwn).median;
    std::printf("goal: %.2f MB (20 x 512 KB + 2 MB) for the program's own private bytes with the threads open %s\n",
                kGoalBytes / (1024.0 * 1024.0), own > 0 && own <= kGoalBytes ? "ok" : "OVER");
    return 0;
}
