// Following a conversation: building the index of a 1000-response thread and
// extending it by the 50 responses a reload adds, each beside the parse of the
// same log (goal: the index adds under 20% to the parse); and opening a popup
// of responses over the view (goal: under 5 ms). Medians of many rounds, with
// their minimum and maximum.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/appstate.h"
#include "bench/bench.h"
#include "bench/benchwindow.h"
#include "reader/anchorindex.h"
#include "reader/conversation.h"
#include "reader/datread_win.h"
#include "reader/opentable_win.h"
#include "reader/popup_win.h"
#include "reader/resview_win.h"
#include "reader/widthcache.h"

namespace {

constexpr int kResponses = 1000;
constexpr int kAdded = 50;
constexpr int kRounds = 25;
constexpr int kIndexRounds = 200;
constexpr int kPopupRounds = 200;
constexpr wchar_t kLogName[] = L"1141183497.dat";

// Parses the log into entry 0 `kRounds` times; the parse's spread. The
// entry keeps the last parse, without its index.
Spread parse_rounds()
{
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        ResponseBuffer& entry = OpenThreadTable.entries[0];
        Resdata_release_storage(entry);
        conversation_release(entry);
        double t0 = bench_seconds();
        int ok = Resdata_read2(0, kLogName, 0);
        times.push_back(bench_seconds() - t0);
        if (!ok) break;
    }
    conversation_release(OpenThreadTable.entries[0]);
    return spread_ms(times);
}

// The first `responses` responses of a parsed thread, as a shorter log would
// have given them.
ResponseBuffer first_responses(const ResponseBuffer& t, int32_t responses)
{
    ResponseBuffer part = t;
    part.responseCount = responses;
    part.lineCount = static_cast<int32_t>(t.responses[responses].firstLine);
    part.conversation = nullptr;
    return part;
}

void report_ratio(const char* what, const Spread& index, const Spread& parse)
{
    const double ratio = index.median / std::max(parse.median - index.median, 1e-9) * 100.0;
    std::printf("  %s: %.1f%% of the parse (goal: under 20%%) %s\n", what, ratio, ratio < 20.0 ? "ok" : "OVER");
}

int index_bench(BenchLogTree& tree)
{
    const std::string path = tree.board_file(kLogName);
    int result = 1;
    Alloc_resdata_buf();
    for (int responses : {kResponses, kResponses + kAdded}) {
        if (!write_bytes(path, bench_thread_log(responses))) {
            std::printf("cannot write the log under %s\n", path.c_str());
            break;
        }
        const Spread parse = parse_rounds();
        const ResponseBuffer& t = OpenThreadTable.entries[0];
        if (t.responseCount != responses) break;
        std::printf("%d responses: parse with its index (Resdata_read2)\n", responses);
        print_spread("parse, index included:", parse);
        std::vector<double> times;
        if (responses == kResponses) {
            for (int i = 0; i < kIndexRounds; ++i) {
                ConversationIndex index;
                double t0 = bench_seconds();
                conversation_extend(index, t);
                times.push_back(bench_seconds() - t0);
            }
            const Spread built = spread_ms(times);
            print_spread("index built:", built);
            report_ratio("index of the whole thread", built, parse);
        } else {
            const ResponseBuffer before = first_responses(t, kResponses);
            for (int i = 0; i < kIndexRounds; ++i) {
                ConversationIndex index;
                conversation_extend(index, before);
                double t0 = bench_seconds();
                conversation_extend(index, t);
                times.push_back(bench_seconds() - t0);
                if (index.responses != responses) return 1;
            }
            const Spread extended = spread_ms(times);
            print_spread("index extended by 50:", extended);
            report_ratio("extension beside the parse", extended, parse);
            result = 0;
        }
    }
    Resdata_release_storage(OpenThreadTable.entries[0]);
    LocalFree(OpenThreadTable.entries);
    OpenThreadTable.entries = nullptr;
    OpenThreadTable.entryCapacity = 0;
    DeleteFileA(path.c_str());
    return result;
}

// Opening (and drawing) a popup of ten responses over a 240 x 320 view, then
// closing it.
int popup_bench(BenchLogTree& tree)
{
    const std::string path = tree.board_file(kLogName);
    if (!write_bytes(path, bench_thread_log(kResponses))) return 1;
    AppStateRecord savedApp = AppState;
    HWND frame = bench_frame(L"QuorvexPopupBench", L"popup", 240, 320);
    AppState.instance = GetModuleHandleW(nullptr);
    AppState.hwndMain = frame;
    AppState.BodyFont = bench_font(-13, 100);
    AppState.BoldFont = bench_font(-13, 700);
    clear_width_caches();
    Alloc_resdata_buf();
    HWND view = CreateResponseView(frame);
    int result = 1;
    if (view && Resdata_read2(0, kLogName, 0)) {
        OpenThreadTable.count = 1;
        OpenThreadTable.current = 0;
        MoveWindow(view, 0, 0, 240, 300, TRUE);
        std::vector<int32_t> shown;
        for (int32_t r = 500; r < 510; ++r) shown.push_back(r);
        ResponsePopup_open(view, shown);   // warms the width caches
        ResponsePopup_close_all();
        std::vector<double> times;
        for (int i = 0; i < kPopupRounds; ++i) {
            double t0 = bench_seconds();
            const bool opened = ResponsePopup_open(view, shown);
            times.push_back(bench_seconds() - t0);
            ResponsePopup_close_all();
            if (!opened) break;
        }
        const Spread open = spread_ms(times);
        std::vector<double> redraws;
        ResponsePopup_open(view, shown);
        for (int i = 0; i < kPopupRounds; ++i) {
            double t0 = bench_seconds();
            RedrawWindow(ResponsePopup_window(0), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            redraws.push_back(bench_seconds() - t0);
        }
        ResponsePopup_close_all();
        std::printf("popup of 10 responses over a 240x300 view, %d rounds\n", static_cast<int>(times.size()));
        print_spread("opened and drawn:", open);
        std::printf("  goal: under 5 ms %s\n", open.median < 5.0 ? "ok" : "OVER");
        print_spread("of which a redraw of it:", spread_ms(redraws));
        result = static_cast<int>(times.size()) == kPopupRounds ? 0 : 1;
        Resdata_close(0, 0);
    }
    if (view) DestroyWindow(view);
    DestroyWindow(frame);
    DeleteObject(AppState.BodyFont);
    DeleteObject(AppState.BoldFont);
    clear_width_caches();
    if (OpenThreadTable.entries) LocalFree(OpenThreadTable.entries);
    OpenThreadTable.entries = nullptr;
    OpenThreadTable.entryCapacity = 0;
    AppState = savedApp;
    DeleteFileA(path.c_str());
    return result;
}

}  // namespace

QUORVEX_BENCH(conversation_index, "anchors")
{
    BenchLogTree tree(L"quorvex-bench-anchors", L"srv.example.test");
    const int index = index_bench(tree);
    const int popup = popup_bench(tree);
    return index || popup;
}
