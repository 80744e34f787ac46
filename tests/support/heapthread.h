// A parse of log lines into a thread on the C heap, for the byte-level tests
// of the parser and of what is built on the parsed thread.
#pragma once
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reader/datparse.h"

// A parse host on the C heap, with growth that can be refused.
class HeapBuildHost : public ThreadBuildHost {
public:
    explicit HeapBuildHost(uint32_t storeSize = kTextStoreBytes)
    {
        b.responseRoom = kResponseGrowth;
        b.responses = static_cast<Response*>(std::calloc(b.responseRoom, sizeof(Response)));
        b.lineRoom = kLineGrowth;
        b.lines = static_cast<ResponseLine*>(std::calloc(b.lineRoom, sizeof(ResponseLine)));
        b.storeSize = storeSize;
        b.store = static_cast<char*>(std::calloc(storeSize, 1));
    }
    ~HeapBuildHost() override
    {
        std::free(b.responses);
        std::free(b.lines);
        std::free(b.store);
    }
    bool grow_responses(ThreadBuild& t) override
    {
        ++responseGrowths;
        if (refuseResponses) return false;
        uint32_t room = static_cast<uint32_t>(t.responseCount) + kResponseGrowth;
        void* p = std::realloc(t.responses, room * sizeof(Response));
        if (!p) return false;
        t.responses = static_cast<Response*>(p);
        t.responseRoom = room;
        return true;
    }
    bool grow_lines(ThreadBuild& t) override
    {
        ++lineGrowths;
        if (refuseLines) return false;
        uint32_t room = static_cast<uint32_t>(t.lineCount) + kLineGrowth;
        void* p = std::realloc(t.lines, room * sizeof(ResponseLine));
        if (!p) return false;
        std::memset(static_cast<ResponseLine*>(p) + t.lineRoom, 0,
                    (room - t.lineRoom) * sizeof(ResponseLine));
        t.lines = static_cast<ResponseLine*>(p);
        t.lineRoom = room;
        return true;
    }
    void store_full() override { ++storeFull; }
    void progress(int32_t responses) override { progressCalls.push_back(responses); }

    // Feeds lines until the parse ends; returns the lines fed.
    size_t feed(const std::vector<std::string>& lines)
    {
        size_t fed = 0;
        for (const auto& l : lines) {
            ++fed;
            if (build_add_line(b, l, *this) == DatStep::End) break;
        }
        return fed;
    }
    std::string text(int line) const
    {
        return std::string(b.lines[line].text);
    }

    ThreadBuild b{};
    bool refuseResponses = false;
    bool refuseLines = false;
    int responseGrowths = 0;
    int lineGrowths = 0;
    int storeFull = 0;
    std::vector<int32_t> progressCalls;
};


// The parsed thread as the open-thread table holds it.
inline ResponseBuffer thread_of(const ThreadBuild& b)
{
    ResponseBuffer t{};
    t.lines = b.lines;
    t.responses = b.responses;
    t.responseCount = b.responseCount;
    t.lineCount = b.lineCount;
    return t;
}
