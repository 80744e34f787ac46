// Hiding by the NG lists: the parse of a 1000-response log (its conversation
// index included, where the responses are judged) with 200 entries of mixed
// kinds, beside the same parse with no entries (goal: under 25% added). None
// of the entries matches, so every response is searched in full: the most a
// judging costs. Medians of many rounds, with their minimum and maximum.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "reader/anchorindex.h"
#include "reader/conversation.h"
#include "reader/datread_win.h"
#include "reader/ngfilter.h"
#include "reader/ngfilter_win.h"
#include "reader/opentable_win.h"

namespace {

constexpr int kResponses = 1000;
constexpr int kRounds = 41;
constexpr int kIndexRounds = 200;
constexpr wchar_t kLogName[] = L"1141183498.dat";

NgFilter g_filter;
const NgFilter* bench_filter() { return &g_filter; }

// 200 entries as a reader gathers them: 120 words, 30 names, 10 mails, 30
// IDs and 10 titles, in Japanese and ASCII, starting with many characters.
std::vector<NgEntry> mixed_entries()
{
    const wchar_t* heads[] = {L"広告", L"宣伝", L"ステマ", L"業者", L"荒らし", L"コピペ", L"マルチ", L"ｱﾌｨ",
                              L"http://spam", L"ＵＲＬ", L"casino", L"Viagra", L"副業", L"稼げる", L"無料",
                              L"出会い", L"kwsk", L"ワロタ", L"自演", L"晒し"};
    std::vector<NgEntry> entries;
    for (int i = 0; i < 120; ++i)
        entries.push_back({NgKind::Word, sjis(heads[i % 20]) + "x" + std::to_string(i / 20), 0});
    for (int i = 0; i < 30; ++i) entries.push_back({NgKind::Name, sjis(L"コテハン") + std::to_string(i), 0});
    for (int i = 0; i < 10; ++i) entries.push_back({NgKind::Mail, "spam" + std::to_string(i) + "@", 0});
    for (int i = 0; i < 30; ++i) entries.push_back({NgKind::Id, "Zz" + std::to_string(100000 + i), 20261209});
    for (int i = 0; i < 10; ++i) entries.push_back({NgKind::Title, sjis(L"【宣伝】") + std::to_string(i), 0});
    return entries;
}

// One parse of the log into entry 0, judged by whatever filter is active;
// its seconds, or a negative time when it failed.
double parse_once()
{
    ResponseBuffer& entry = OpenThreadTable.entries[0];
    Resdata_release_storage(entry);
    conversation_release(entry);
    const double t0 = bench_seconds();
    const int ok = Resdata_read2(0, kLogName, 0);
    const double t = bench_seconds() - t0;
    return ok ? t : -1.0;
}

int32_t hidden_in(ResponseBuffer& entry)
{
    int32_t hidden = 0;
    if (ThreadConversation* c = conversation_of(entry))
        for (int32_t r = 1; r <= c->index.responses; ++r) hidden += response_hidden(c->index, r) ? 1 : 0;
    return hidden;
}

}  // namespace

QUORVEX_BENCH(ng_lists, "ng")
{
    BenchLogTree tree(L"quorvex-bench-ng", L"srv.example.test");
    const std::string path = tree.board_file(kLogName);
    if (!write_bytes(path, bench_thread_log(kResponses))) return 1;
    Alloc_resdata_buf();
    g_filter = ng_filter_build(mixed_entries(), ng_shown_text, 20261209, 2);
    // The two parses take turns, so that whatever else the machine does
    // falls on both alike.
    std::vector<double> plainTimes, judgedTimes;
    for (int round = 0; round <= kRounds; ++round) {
        set_ng_filter_source(nullptr);
        const double p = parse_once();
        set_ng_filter_source(bench_filter);
        const double j = parse_once();
        if (p < 0 || j < 0) return 1;
        if (round == 0) continue;   // warms the file cache and the heap
        plainTimes.push_back(p);
        judgedTimes.push_back(j);
    }
    const int32_t hidden = hidden_in(OpenThreadTable.entries[0]);
    conversation_release(OpenThreadTable.entries[0]);
    set_ng_filter_source(nullptr);
    const Spread plain = spread_ms(plainTimes), judged = spread_ms(judgedTimes);

    // The index alone, built with and without the filter in turns: what the
    // judging adds, measured closer than two whole parses can show it.
    const ResponseBuffer& t = OpenThreadTable.entries[0];
    std::vector<double> indexTimes, judgedIndexTimes;
    for (int round = 0; round < kIndexRounds; ++round) {
        ConversationIndex bare, judgedIndex;
        double t0 = bench_seconds();
        conversation_extend(bare, t, nullptr);
        double t1 = bench_seconds();
        conversation_extend(judgedIndex, t, &g_filter);
        double t2 = bench_seconds();
        indexTimes.push_back(t1 - t0);
        judgedIndexTimes.push_back(t2 - t1);
    }
    const Spread index = spread_ms(indexTimes), judgedIndex = spread_ms(judgedIndexTimes);

    std::printf("%d responses, %d rounds each: the parse (Resdata_read2, its index included)\n", kResponses, kRounds);
    print_spread("with no NG entries:", plain);
    print_spread("with 200 mixed NG entries:", judged);
    const double added = (judged.median - plain.median) / std::max(plain.median, 1e-9) * 100.0;
    std::printf("  responses hidden: %d\n", static_cast<int>(hidden));
    std::printf("  added, parse against parse: %.1f%%\n", added);
    std::printf("the conversation index alone, %d rounds each\n", kIndexRounds);
    print_spread("with no NG entries:", index);
    print_spread("judged by the 200 entries:", judgedIndex);
    const double judging = (judgedIndex.median - index.median) / std::max(plain.median, 1e-9) * 100.0;
    std::printf("  added by the judging: %.3f ms, %.1f%% of the plain parse (goal: under 25%%) %s\n",
                judgedIndex.median - index.median, judging, judging < 25.0 ? "ok" : "OVER");

    Resdata_release_storage(OpenThreadTable.entries[0]);
    LocalFree(OpenThreadTable.entries);
    OpenThreadTable.entries = nullptr;
    OpenThreadTable.entryCapacity = 0;
    DeleteFileA(path.c_str());
    return hidden == 0 ? 0 : 1;
}
