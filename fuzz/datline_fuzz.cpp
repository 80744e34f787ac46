// Thread-log lines from outside: the whole thread build over a small text
// store, with the invariants every stored line must keep, and the markup
// rewrite and the body split checked against their plain forms.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzzcheck.h"
#include "reader/datparse.h"
#include "reader/markup.h"
#include "tests/support/anchorref.h"

namespace {

class Host : public ThreadBuildHost {
public:
    bool grow_responses(ThreadBuild& b) override
    {
        uint32_t room = static_cast<uint32_t>(b.responseCount) + 3;
        void* p = std::realloc(b.responses, room * sizeof(Response));
        if (!p) return false;
        b.responses = static_cast<Response*>(p);
        b.responseRoom = room;
        return true;
    }
    bool grow_lines(ThreadBuild& b) override
    {
        uint32_t room = static_cast<uint32_t>(b.lineCount) + 5;
        void* p = std::realloc(b.lines, room * sizeof(ResponseLine));
        if (!p) return false;
        b.lines = static_cast<ResponseLine*>(p);
        b.lineRoom = room;
        return true;
    }
    void store_full() override { ++full; }
    void progress(int32_t) override {}
    int full = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view all(reinterpret_cast<const char*>(data), size);

    // Markup of each line, as one line and as a body, against the plain forms.
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos) end = all.size();
        std::string line(all.substr(start, end - start));
        if (line.size() <= 4096) {
            std::string work = line;
            size_t n = rewrite_markup(work.data(), work.size());
            check(n <= line.size() && work.substr(0, n) == reference_markup(line));

            const bool closed = line.size() % 2 == 0;
            std::vector<std::string> got;
            BodyLines pieces(line, closed);
            std::string_view piece;
            bool marked = false;
            while (pieces.next(&piece, &marked)) {
                check(inside(piece, line));
                std::string shown(piece);
                if (marked) shown.resize(rewrite_markup(shown.data(), shown.size()));
                got.push_back(shown);
            }
            check(got == reference_body_lines(line, closed));
        }
        start = end + 1;
    }

    // The whole build, with arrays that start tiny and a store that fills.
    Host host;
    ThreadBuild b{};
    b.responses = static_cast<Response*>(std::calloc(1, sizeof(Response)));
    b.responseRoom = 1;
    b.lines = static_cast<ResponseLine*>(std::calloc(1, sizeof(ResponseLine)));
    b.lineRoom = 1;
    b.storeSize = 2048;
    b.store = static_cast<char*>(std::calloc(b.storeSize, 1));
    start = 0;
    while (start <= all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos) end = all.size();
        if (build_add_line(b, all.substr(start, end - start), host) == DatStep::End) break;
        start = end + 1;
    }
    if (host.full > 1 || b.storeUsed > b.storeSize) std::abort();
    if (b.lineCount > 0 && b.lines[0].text != b.store) std::abort();
    for (int32_t i = 0; i < b.lineCount; ++i) {
        const ResponseLine& l = b.lines[i];
        if (l.text < b.store || l.text + l.length + 1 > b.store + b.storeUsed) std::abort();
        if (std::strlen(l.text) > static_cast<size_t>(l.length)) std::abort();
        if (l.response < 1 || l.response > b.responseCount) std::abort();
    }
    for (int32_t r = 0; r < b.responseCount; ++r) {
        if (std::strlen(b.responses[r].mail) > 66 || std::strlen(b.responses[r].date) > 68) std::abort();
        if (b.lines[b.responses[r].firstLine].kind != HeaderLine) std::abort();
    }
    std::free(b.responses);
    std::free(b.lines);
    std::free(b.store);
    return 0;
}
