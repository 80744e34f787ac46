// Showing a board: loading a full thread list of 2047 threads, 1000 of them
// held, into the list view and painting it, against merely reading the same
// "subject.txt" through the file library and splitting its lines, in the same
// run. The load should stay within three times the plain read.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/appstate.h"
#include "bench/bench.h"
#include "reader/subject.h"
#include "reader/stateicons_win.h"
#include "reader/threadlist_win.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/lineread.h"
#include "store/settings.h"

namespace {

constexpr int kThreads = 2047;
constexpr int kHeld = 1000;
constexpr int kRounds = 15;

// Titles shaped like a busy board's: Japanese, with references and a part
// number; every other held thread has new responses.
void make_lists(std::string* subject, std::string* acquired)
{
    const std::string words[] = {
        sjis(L"携帯で2chを読むスレ"), sjis(L"【速報】新機種発表 &amp; 質問"), sjis(L"PDA総合スレッド"),
        sjis(L"&quot;スマートフォン&quot;雑談"), sjis(L"ソフトウェア相談室"),
    };
    char line[512];
    for (int i = 0; i < kThreads; ++i) {
        const int key = 1100000000 + i * 37;
        const int count = 1 + (i * 7) % 1000;
        std::snprintf(line, sizeof line, "%d.dat<>%s Part%d (%d)\n", key, words[i % 5].c_str(), 1 + i % 40, count);
        *subject += line;
        if (i % 2 == 0 && i / 2 < kHeld) {
            std::snprintf(line, sizeof line, "%d.dat<>%s Part%d(%d)<>%d\r\n", key, words[i % 5].c_str(), 1 + i % 40,
                          i % 4 == 0 ? count : count - 1, 1 + count / 2);
            *acquired += line;
        }
    }
}

// Reading the file and splitting each line into name, title and count, and
// nothing else.
int read_and_split(const std::string& path)
{
    UniqueLibceFile f(libce_fopen(path.c_str(), "r"));
    if (!f) return -1;
    LineReader reader(f.get());
    char line[kSubjectLineBytes];
    int rows = 0;
    int n;
    while ((n = reader.whole_line(line, sizeof line)) >= 0) {
        SubjectRow row;
        if (parse_subject_line(std::string_view(line, static_cast<size_t>(n)), &row)) ++rows;
    }
    return rows;
}

LRESULT CALLBACK bench_main_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MEASUREITEM:
        if (ThreadListMeasureItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (ThreadListDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

QUORVEX_BENCH(thread_list_load, "threadlist")
{
    BenchLogTree tree(L"quorvex-bench-list", L"srv.example.test");
    AppStateRecord savedApp = AppState;
    Settings.SortNew = 2;
    Settings.UseThreadMax = 0;
    Settings.LogOnlyMode = 0;

    std::string subject, acquired;
    make_lists(&subject, &acquired);
    const std::string subjectPath = tree.board_file(L"subject.txt");
    const std::string acquiredPath = tree.board_file(L"acquired.txt");

    WNDCLASSW wc{};
    wc.lpfnWndProc = bench_main_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"quorvex-bench-list";
    RegisterClassW(&wc);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND main = CreateWindowExW(0, wc.lpszClassName, L"quorvex", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 320,
                                nullptr, nullptr, wc.hInstance, nullptr);
    AppState.hwndMain = main;
    create_thread_list();
    HWND view = main ? CreateThreadListView(main) : nullptr;

    int result = 1;
    if (view && write_bytes(subjectPath, subject) && write_bytes(acquiredPath, acquired)) {
        std::vector<double> reads, loads, fills, paints, ratios;
        int split = 0, listed = 0, held = 0;
        for (int round = 0; round < kRounds; ++round) {
            double t0 = bench_seconds();
            split = read_and_split(subjectPath);
            double t1 = bench_seconds();
            int ok = LstSure_load(L"srv.example.test", L"mobile");
            double t2 = bench_seconds();
            UpdateWindow(view);
            double t3 = bench_seconds();
            if (!ok) break;
            listed = ProcessThreadList->count();
            held = 0;
            for (int i = 0; i < listed; ++i) held += ProcessThreadList->at(i)->state != ThreadNotHeld;
            reads.push_back(t1 - t0);
            loads.push_back(t3 - t1);
            fills.push_back(t2 - t1);
            paints.push_back(t3 - t2);
            ratios.push_back((t3 - t1) / (t1 - t0));
        }
        const Spread ratio = spread_of(ratios);
        std::printf("subject.txt: %zu bytes, %d lines split; acquired.txt: %zu bytes\n", subject.size(), split,
                    acquired.size());
        std::printf("listed %d threads, %d held\n", listed, held);
        print_spread("read and split:", spread_ms(reads));
        print_spread("load and show:", spread_ms(loads));
        print_spread("  of which LstSure_load:", spread_ms(fills));
        print_spread("  of which painting:", spread_ms(paints));
        std::printf("ratio load/read: %.2f (min %.2f, max %.2f; goal: within 3.00) %s\n", ratio.median, ratio.min,
                    ratio.max, ratio.median <= 3.0 ? "ok" : "OVER");
        result = split == kThreads && listed == kThreads && held == kHeld ? 0 : 1;
    } else {
        std::printf("cannot set up the board under %s\n", subjectPath.c_str());
    }

    if (main) DestroyWindow(main);
    destroy_state_images();
    delete_thread_list();
    DeleteFileA(subjectPath.c_str());
    DeleteFileA(acquiredPath.c_str());
    AppState = savedApp;
    return result;
}
