// Opening a thread: the whole parse of a 1000-response log (about 400 KB)
// against merely reading the same file through the file library and
// splitting it into lines, in the same run. The parse should stay within
// three times the plain read.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "reader/conversation.h"
#include "reader/datread_win.h"
#include "reader/opentable_win.h"
#include "store/boardtable.h"
#include "store/libce.h"
#include "store/lineread.h"
#include "store/settings.h"

namespace {

constexpr int kResponses = 1000;
constexpr int kRounds = 25;
constexpr wchar_t kLogName[] = L"1141183496.dat";

}  // namespace

std::string bench_thread_log(int responses)
{
    const std::string nanashi = sjis(L"名無しさん");
    const std::string weekday = sjis(L"(水)");
    const std::string phrases[] = {
        sjis(L"携帯から見てます。このスレ読みやすいね"),
        sjis(L"それは仕様です &gt; 気にするな"),
        sjis(L"ソース出せよ、話はそれからだ"),
        sjis(L"表示が崩れる件、再起動したら直りました"),
    };
    std::string log;
    char head[200];
    for (int i = 1; i <= responses; ++i) {
        std::string name = i % 7 == 0 ? "trip </b>" + sjis(L"◆") + "Xk9AbCdEfG<b>" : nanashi;
        std::snprintf(head, sizeof head, "<>%s<>2006/03/%02d%s %02d:%02d:%02d ID:Ab%06d<> ",
                      i % 3 == 0 ? "sage" : "", 1 + i % 28, weekday.c_str(), i % 24, i % 60,
                      (i * 7) % 60, i);
        std::string body;
        if (i > 1) {
            char anchor[160];
            std::snprintf(anchor, sizeof anchor,
                          "<a href=\"../test/read.cgi/mobile/1141183496/%d\" target=\"_blank\">&gt;&gt;%d</a> <br> ",
                          i - 1, i - 1);
            body += anchor;
        }
        for (int k = 0; k < 5; ++k) {
            body += phrases[(i + k) % 4];
            body += " <br> ";
        }
        body += phrases[i % 4];
        log += name + head + body + " <>" + (i == 1 ? sjis(L"携帯で読むスレ Part2") : "") + "\n";
    }
    return log;
}

namespace {

// Reading the file and splitting it into lines, as the parse does, and nothing else.
int read_lines(const std::string& path)
{
    UniqueLibceFile f(libce_fopen(path.c_str(), "r"));
    if (!f) return -1;
    LineReader reader(f.get());
    char piece[2048];
    int lines = 0;
    int n;
    while ((n = reader.piece(piece, sizeof piece)) >= 0)
        if (n > 0 && piece[n - 1] == '\n') ++lines;
    return lines;
}

// The cost of the first touch of one fresh page: a parse writes its text into
// a new 512 KB mapping and grows its arrays into new memory, so on a machine
// where page faults are dear that cost shows in the parse and not in the read.
double fresh_page_microseconds()
{
    constexpr SIZE_T kBytes = 1 << 20;
    std::vector<double> rounds;
    for (int round = 0; round < 10; ++round) {
        double t0 = bench_seconds();
        char* block = static_cast<char*>(VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!block) return 0;
        for (SIZE_T i = 0; i < kBytes; i += 4096) block[i] = 1;
        VirtualFree(block, 0, MEM_RELEASE);
        rounds.push_back(bench_seconds() - t0);
    }
    return spread_of(rounds).median * 1e6 / (kBytes / 4096);
}

}  // namespace

QUORVEX_BENCH(parse_thread_log, "parse")
{
    BenchLogTree tree(L"quorvex-bench-parse", L"srv.example.test");
    std::string log = bench_thread_log(kResponses);
    const std::string path = tree.board_file(kLogName);
    int result = 1;
    if (write_bytes(path, log)) {
        Alloc_resdata_buf();
        std::vector<double> reads, parses, ratios;
        int lines = 0, responses = 0;
        for (int round = 0; round < kRounds; ++round) {
            double t0 = bench_seconds();
            lines = read_lines(path);
            double t1 = bench_seconds();
            int ok = Resdata_read2(0, kLogName, 0);
            double t2 = bench_seconds();
            responses = OpenThreadTable.entries[0].responseCount;
            Resdata_release_storage(OpenThreadTable.entries[0]);
            // Each round indexes its thread anew, as a thread opened for the first time.
            conversation_release(OpenThreadTable.entries[0]);
            if (!ok) break;
            reads.push_back(t1 - t0);
            parses.push_back(t2 - t1);
            ratios.push_back((t2 - t1) / (t1 - t0));
        }
        const Spread ratio = spread_of(ratios);
        std::printf("log: %zu bytes, %d lines, %d responses parsed; %d rounds\n", log.size(), lines, responses,
                    kRounds);
        print_spread("read and split into lines:", spread_ms(reads));
        print_spread("parse (Resdata_read2):", spread_ms(parses));
        std::printf("ratio parse/read: %.2f (min %.2f, max %.2f; goal: within 3.00) %s\n", ratio.median, ratio.min,
                    ratio.max, ratio.median <= 3.0 ? "ok" : "OVER");
        std::printf("first touch of a fresh page on this machine: %.2f us\n", fresh_page_microseconds());
        result = responses == kResponses && lines == kResponses ? 0 : 1;
        LocalFree(OpenThreadTable.entries);
        OpenThreadTable.entries = nullptr;
        OpenThreadTable.entryCapacity = 0;
    } else {
        std::printf("cannot write the log under %s\n", path.c_str());
    }
    DeleteFileA(path.c_str());
    return result;
}
