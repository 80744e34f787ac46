// The conversation index over any log: every target is a response number in
// range, within the caps, the reply counts agree with the anchors, the ID
// places count up to their groups, and an index extended in two steps (a
// reload) equals one built in one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzzcheck.h"
#include "reader/anchorindex.h"
#include "reader/anchorscan.h"
#include "tests/support/heapthread.h"

namespace {

std::vector<std::string> log_lines(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i] ? data[i] : ' ');
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

void check_index(const ConversationIndex& index)
{
    int64_t replies = 0;
    for (int32_t t = 1; t <= kMaxAnchorTarget; ++t) replies += reply_count(index, t);
    check(replies == static_cast<int64_t>(index.anchors.size()));
    for (int32_t r = 1; r <= index.responses; ++r) {
        std::vector<int32_t> targets = anchors_of(index, r);
        check(targets.size() <= static_cast<size_t>(kMaxAnchorsPerResponse));
        for (int32_t t : targets) check(t >= 1 && t <= kMaxAnchorTarget);
        IdPlace id = id_place(index, r);
        check(id.place >= 0 && id.place <= id.count);
        if (id.count) check(same_id(index, r).size() == static_cast<size_t>(id.count));
        // Each list is a scan of the thread: a sample of them is enough.
        if (r <= 64) check(replies_to(index, r).size() == static_cast<size_t>(reply_count(index, r)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> lines = log_lines(data, size);
    const size_t half = lines.size() / 2;

    // A store sized to the input, not the thread's 512 KB: the parse never
    // needs more, and a full-size block each run would take most of the time.
    const uint32_t store = static_cast<uint32_t>(std::min<size_t>(kTextStoreBytes, size * 2 + 4096));
    HeapBuildHost whole(store);
    whole.feed(lines);
    ConversationIndex once;
    conversation_extend(once, thread_of(whole.b));
    check_index(once);

    HeapBuildHost stepwise(store);
    stepwise.feed(std::vector<std::string>(lines.begin(), lines.begin() + half));
    ConversationIndex twice;
    conversation_extend(twice, thread_of(stepwise.b));
    stepwise.feed(std::vector<std::string>(lines.begin() + half, lines.end()));
    conversation_extend(twice, thread_of(stepwise.b));
    check(twice.responses == once.responses);
    check(twice.anchors == once.anchors);
    check(twice.replyCount == once.replyCount);
    check(twice.idPlace == once.idPlace);
    return 0;
}
