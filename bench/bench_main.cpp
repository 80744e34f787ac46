#include "bench/bench.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/codepage.h"
#include "base/report.h"
#include "store/libce.h"

namespace {

struct Entry {
    const char* name;
    BenchFunction run;
};

std::vector<Entry>& registry()
{
    static std::vector<Entry> entries;
    return entries;
}

// A benchmark never waits on a message box: what would be shown is printed.
int print_report(HWND, const wchar_t* text, const wchar_t* caption, UINT)
{
    char t[1024], c[256];
    WideCharToMultiByte(CP_UTF8, 0, text ? text : L"", -1, t, sizeof t, nullptr, nullptr);
    WideCharToMultiByte(CP_UTF8, 0, caption ? caption : L"", -1, c, sizeof c, nullptr, nullptr);
    std::fprintf(stderr, "message [%s] %s\n", c, t);
    return IDOK;
}

bool is_child_role(const char* name)
{
    return std::strncmp(name, kBenchChildPrefix, std::strlen(kBenchChildPrefix)) == 0;
}

}  // namespace

std::string sjis(const wchar_t* text)
{
    char buf[512];
    wide_to_mb(buf, text, sizeof buf);
    return buf;
}

std::wstring module_folder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

bool write_bytes(const std::string& path, const std::string& bytes)
{
    UniqueLibceFile f(libce_fopen(path.c_str(), "wb"));
    if (!f) return false;
    size_t n = libce_fwrite(bytes.data(), 1, bytes.size(), f.get());
    return f.close() == 0 && n == bytes.size();
}

std::string read_bytes(const std::string& path)
{
    std::string out;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(h);
    return out;
}

BenchLogTree::BenchLogTree(const wchar_t* name, const wchar_t* host)
    : savedSettings_(Settings), savedBoards_(BoardTable)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    program = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    root = program + L"log";
    boardDir = root + L"\\mobile";
    for (const std::wstring* dir : {&program, &root, &boardDir}) CreateDirectoryW(dir->c_str(), nullptr);

    wide_to_mb(Settings.ProgramDirectory, program.c_str(), sizeof Settings.ProgramDirectory);
    std::wcscpy(Settings.LogDir, root.c_str());
    wide_to_mb(Settings.LogDirAnsi, root.c_str(), sizeof Settings.LogDirAnsi);
    Settings.UseServerDir = 0;
    std::wcscpy(board_.name, L"mobile");
    std::wcscpy(board_.host, host);
    std::wcscpy(board_.dir, L"mobile");
    BoardTable.items = &board_;
    BoardTable.count = 1;
    BoardTable.capacity = 1;
}

BenchLogTree::~BenchLogTree()
{
    for (const std::wstring* dir : {&boardDir, &root, &program}) RemoveDirectoryW(dir->c_str());
    BoardTable = savedBoards_;
    Settings = savedSettings_;
}

std::string BenchLogTree::board_file(const wchar_t* name) const
{
    char path[MAX_PATH];
    wide_to_mb(path, (boardDir + L"\\" + name).c_str(), sizeof path);
    return path;
}

BenchRegistration::BenchRegistration(const char* name, BenchFunction run)
{
    registry().push_back({name, run});
}

double bench_seconds()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

int main(int argc, char** argv)
{
    libce_init();
    set_report_hook(print_report);
    int failures = 0, ran = 0;
    for (const Entry& e : registry()) {
        // A child role runs only when named, as the child a benchmark starts.
        if (is_child_role(e.name)) {
            if (argc == 2 && std::strcmp(argv[1], e.name) == 0) return e.run();
            continue;
        }
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], e.name) == 0) wanted = true;
        if (!wanted) continue;
        std::printf("== %s\n", e.name);
        std::fflush(stdout);
        ++ran;
        if (e.run() != 0) {
            ++failures;
            std::printf("%s: failed\n", e.name);
        }
    }
    if (ran == 0) {
        std::printf("benchmarks:");
        for (const Entry& e : registry())
            if (!is_child_role(e.name)) std::printf(" %s", e.name);
        std::printf("\n");
    }
    return failures == 0 ? 0 : 1;
}
