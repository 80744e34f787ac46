// Start-up: from process start to the main window shown and idle (the
// process idle for input, its main window found, a message sent to it
// answered), with a board table of 800 boards in 40 categories, 100
// favourite boards and 200 favourite threads, against a do-nothing windowed
// program (bench/idle/) measured the same way: what starting a process with
// one window costs here before the program does anything.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/idle/idle.h"

namespace {

constexpr int kCategories = 40;
constexpr int kBoardsPerCategory = 20;
constexpr int kFavoriteBoards = 100;
constexpr int kFavoriteThreads = 200;
constexpr int kRounds = 10;
constexpr DWORD kWaitMs = 60000;
constexpr wchar_t kMainClass[] = L"quorvex";

std::string board_dir(int board)
{
    char dir[16];
    std::snprintf(dir, sizeof dir, "b%03d", board);
    return dir;
}

// The program's files as a user with a full board table leaves them:
// offline, so that nothing is fetched at the start.
bool write_program_files(const std::string& folder)
{
    std::string table = "2\r\n";
    for (int c = 0; c < kCategories; ++c) {
        table += sjis((L"カテゴリ" + std::to_wstring(c)).c_str()) + "\t0\r\n";
        for (int b = 0; b < kBoardsPerCategory; ++b) {
            const int board = c * kBoardsPerCategory + b;
            table += "\tsrv" + std::to_string(board % 17) + ".example.test\t" + board_dir(board) + "\t" +
                     sjis((L"携帯板" + std::to_wstring(board)).c_str()) + "\r\n";
        }
    }
    std::string boards = sjis(L"お気に入り") + "\r\n";
    for (int i = 0; i < kFavoriteBoards; ++i)
        boards += sjis((L"携帯板" + std::to_wstring(i * 7)).c_str()) + "," + board_dir(i * 7) + "\r\n";
    std::string threads;
    for (int i = 0; i < kFavoriteThreads; ++i)
        threads += board_dir(i * 3) + "<>" + std::to_string(1100000000 + i * 91) + ".dat<>" +
                   sjis((L"携帯で読むスレ Part" + std::to_wstring(i)).c_str()) + "\r\n";
    CreateDirectoryA((folder + "log").c_str(), nullptr);
    return write_bytes(folder + "quorvex.ini", "LineOnOff: 0\r\n") &&
           write_bytes(folder + "2channel.brd", table) && write_bytes(folder + "favorite.brd", boards) &&
           write_bytes(folder + "favorite.txt", threads);
}

struct Found {
    DWORD pid;
    const wchar_t* cls;
    HWND window;
    int others;   // visible windows of the child besides the one sought (a dialog?)
};

BOOL CALLBACK find_child_window(HWND hwnd, LPARAM lp)
{
    Found* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || !IsWindowVisible(hwnd)) return TRUE;
    wchar_t cls[64];
    GetClassNameW(hwnd, cls, 64);
    if (!f->window && lstrcmpW(cls, f->cls) == 0) f->window = hwnd;
    else ++f->others;
    return TRUE;
}

// One start of `command` in `folder`: seconds until its window of class
// `cls` answers, or a negative value when it never does. The child is ended
// afterwards. `others` counts other visible windows it showed.
double time_start(const std::wstring& command, const std::wstring& folder, const wchar_t* cls, int* others)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = command;
    const double t0 = bench_seconds();
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1.0;
    double took = -1.0;
    if (WaitForInputIdle(pi.hProcess, kWaitMs) == 0) {
        Found f{pi.dwProcessId, cls, nullptr, 0};
        // The window may be shown a moment after the process first waits for input.
        while (!f.window && bench_seconds() - t0 < kWaitMs / 1000.0 &&
               WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
            f.others = 0;
            EnumWindows(find_child_window, reinterpret_cast<LPARAM>(&f));
            if (!f.window) Sleep(1);
        }
        DWORD_PTR answer = 0;
        if (f.window && SendMessageTimeoutW(f.window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &answer))
            took = bench_seconds() - t0;
        *others = f.others;
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, kWaitMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return took;
}

}  // namespace

QUORVEX_BENCH(startup, "startup")
{
    const std::wstring here = module_folder();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"quorvex-bench-start-" + std::to_wstring(GetCurrentProcessId()) +
                                L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::string folderAnsi = sjis(folder.c_str());
    const std::wstring exe = folder + L"quorvex.exe";
    int result = 1;
    if (FindWindowW(kMainClass, nullptr)) {
        // The program would hand over to it and end at once.
        std::printf("a quorvex window is open in this Wine prefix: start-up not measured\n");
    } else if (!CopyFileW((here + L"quorvex.exe").c_str(), exe.c_str(), FALSE) || !write_program_files(folderAnsi)) {
        std::printf("cannot set up the program folder %s beside a copy of quorvex.exe\n", folderAnsi.c_str());
    } else {
        std::vector<double> program, idle;
        int dialogs = 0, others = 0;
        for (int round = 0; round < kRounds; ++round) {
            const double p = time_start(L"\"" + exe + L"\"", folder, kMainClass, &others);
            dialogs += others;
            const double i = time_start(L"\"" + here + L"quorvex_bench_idle.exe\"", folder, kIdleClass, &others);
            if (p < 0 || i < 0) break;
            program.push_back(p);
            idle.push_back(i);
        }
        std::printf("%d boards in %d categories, %d favourite boards, %d favourite threads; %zu rounds\n",
                    kCategories * kBoardsPerCategory, kCategories, kFavoriteBoards, kFavoriteThreads,
                    program.size());
        if (dialogs) std::printf("note: the program showed %d other window(s) as it started\n", dialogs);
        print_spread("start to main window idle:", spread_ms(program));
        print_spread("do-nothing child, same way:", spread_ms(idle));
        const double own = spread_of(program).median - spread_of(idle).median;
        std::printf("the program's own start (difference of medians): %.3f ms\n", own * 1000.0);
        result = program.size() == static_cast<size_t>(kRounds) ? 0 : 1;
    }
    for (const wchar_t* f : {L"quorvex.exe", L"quorvex.ini", L"2channel.brd", L"favorite.brd", L"favorite.txt"})
        DeleteFileW((folder + f).c_str());
    RemoveDirectoryW((folder + L"log").c_str());
    RemoveDirectoryW(folder.c_str());
    return result;
}
