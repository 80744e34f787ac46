#include "reader/anchorindex.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "reader/anchorscan.h"
#include "reader/datparse.h"
#include "reader/ngfilter.h"
#include "reader/wrap.h"

namespace {

constexpr std::string_view kIdMark = " ID:";
constexpr std::string_view kHiddenId = "???";

// The targets of response `r`, added to the index but not yet counted.
void collect_anchors(ConversationIndex& index, const ResponseBuffer& thread, int32_t r)
{
    const size_t first = index.anchors.size();
    const int32_t begin = static_cast<int32_t>(thread.responses[r - 1].firstLine) + 1;
    auto sink = [&](int32_t low, int32_t high) { add_anchor_targets(index.anchors, first, low, high); };
    for (int32_t i = begin; i < thread.lineCount && thread.lines[i].response == r; ++i) {
        const ResponseLine& line = thread.lines[i];
        if (line.kind != BodyLine || !line.text) continue;
        scan_sjis_anchors(line.text, std::strlen(line.text), sink);
    }
    index.anchorStart.push_back(static_cast<uint32_t>(index.anchors.size()));
}

void count_replies(ConversationIndex& index, int32_t r)
{
    for (uint32_t k = index.anchorStart[r - 1]; k < index.anchorStart[r]; ++k) ++index.replyCount[index.anchors[k]];
}

void index_id(ConversationIndex& index, const Response& response, bool hidden)
{
    std::string_view id = hidden ? std::string_view() : date_id(response.date);
    if (id.empty()) {
        index.idGroup.push_back(-1);
        index.idPlace.push_back(0);
        return;
    }
    auto found = index.groups.try_emplace(std::string(id), static_cast<int32_t>(index.groupSize.size()));
    if (found.second) index.groupSize.push_back(0);
    const int32_t group = found.first->second;
    index.idGroup.push_back(group);
    index.idPlace.push_back(++index.groupSize[group]);
}

// Working copies of one response's fields, reused from response to
// response: judging a thread allocates once, not for every response.
struct FieldTexts {
    std::string bytes;
    std::u16string name, mail, id, body;
};

// `bytes` as shown into `out`, when some entry of `p` can match it.
void shown_into(const NgFilter& f, const NgPatterns& p, std::string_view bytes, bool fold, std::u16string& out)
{
    out.clear();
    if (p.empty()) return;
    f.widen(bytes, out);
    if (fold) ng_fold(out);
}

// The response's own fields against the filter, as they are shown. Only
// the fields some entry can match are converted.
bool fields_match(const ResponseBuffer& thread, int32_t r, const NgFilter& f)
{
    if (f.words.empty() && f.names.empty() && f.mails.empty() && f.ids.empty()) return false;
    const Response& response = thread.responses[r - 1];
    const int32_t header = static_cast<int32_t>(response.firstLine);
    if (header < 0 || header >= thread.lineCount) return false;
    static thread_local FieldTexts t;
    const char* name = thread.lines[header].text;
    // The body's lines are converted in one piece, joined by line feeds.
    t.bytes.clear();
    for (int32_t i = header + 1; !f.words.empty() && i < thread.lineCount && thread.lines[i].response == r; ++i) {
        const ResponseLine& line = thread.lines[i];
        if (line.kind != BodyLine || !line.text) continue;
        t.bytes += line.text;
        t.bytes += '\n';
    }
    shown_into(f, f.names, name ? name : "", true, t.name);
    shown_into(f, f.mails, response.mail, true, t.mail);
    shown_into(f, f.ids, date_id(response.date), false, t.id);
    shown_into(f, f.words, t.bytes, true, t.body);
    return ng_fields_match(f, t.name, t.mail, t.id, t.body);
}

// Every anchor of `r` points at an earlier hidden response.
bool anchors_all_hidden(const ConversationIndex& index, int32_t r)
{
    const uint32_t begin = index.anchorStart[r - 1], end = index.anchorStart[r];
    if (begin == end) return false;
    for (uint32_t k = begin; k < end; ++k) {
        const int32_t t = index.anchors[k];
        if (t >= r || !index.hidden[t - 1]) return false;
    }
    return true;
}

bool judge_hidden(const ConversationIndex& index, const ResponseBuffer& thread, int32_t r, const NgFilter* f)
{
    if (!f || !f->widen) return false;
    return (f->chain && anchors_all_hidden(index, r)) || fields_match(thread, r, *f);
}

bool indexed(const ConversationIndex& index, int32_t r) { return r >= 1 && r <= index.responses; }

}  // namespace

void add_anchor_targets(std::vector<int32_t>& targets, size_t first, int32_t low, int32_t high)
{
    high = std::min(high, low + kMaxRangeTargets - 1);
    for (int32_t t = low; t <= high; ++t) {
        if (targets.size() - first >= static_cast<size_t>(kMaxAnchorsPerResponse)) return;
        if (std::find(targets.begin() + first, targets.end(), t) == targets.end()) targets.push_back(t);
    }
}

std::string_view date_id(const char* date)
{
    std::string_view d = date ? date : "";
    size_t at = d.find(kIdMark);
    if (at == std::string_view::npos) return {};
    std::string_view id = d.substr(at + kIdMark.size());
    id = id.substr(0, id.find(' '));
    if (id.substr(0, kHiddenId.size()) == kHiddenId) return {};
    return id;
}

void conversation_extend(ConversationIndex& index, const ResponseBuffer& thread, const NgFilter* filter)
{
    const uint32_t generation = filter ? filter->generation : 0;
    if (thread.responseCount < index.responses || index.ngGeneration != generation) {
        index = ConversationIndex{};
        index.ngGeneration = generation;
    }
    if (index.anchorStart.empty()) index.anchorStart.push_back(0);
    if (index.replyCount.empty()) index.replyCount.assign(kMaxAnchorTarget + 1, 0);
    if (!thread.responses || !thread.lines) return;
    for (int32_t r = index.responses + 1; r <= thread.responseCount; ++r) {
        collect_anchors(index, thread, r);
        const bool hidden = judge_hidden(index, thread, r, filter);
        index.hidden.push_back(hidden ? 1 : 0);
        if (!hidden) count_replies(index, r);
        index_id(index, thread.responses[r - 1], hidden);
        index.responses = r;
    }
}

bool response_hidden(const ConversationIndex& index, int32_t r)
{
    return indexed(index, r) && index.hidden[r - 1] != 0;
}

std::vector<int32_t> anchors_of(const ConversationIndex& index, int32_t r)
{
    if (!indexed(index, r)) return {};
    return std::vector<int32_t>(index.anchors.begin() + index.anchorStart[r - 1],
                                index.anchors.begin() + index.anchorStart[r]);
}

std::vector<int32_t> replies_to(const ConversationIndex& index, int32_t r)
{
    std::vector<int32_t> out;
    if (reply_count(index, r) == 0) return out;
    for (int32_t s = 1; s <= index.responses; ++s) {
        if (index.hidden[s - 1]) continue;
        auto begin = index.anchors.begin() + index.anchorStart[s - 1];
        auto end = index.anchors.begin() + index.anchorStart[s];
        if (std::find(begin, end, r) != end) out.push_back(s);
    }
    return out;
}

int32_t reply_count(const ConversationIndex& index, int32_t r)
{
    if (r < 1 || r > kMaxAnchorTarget || index.replyCount.empty()) return 0;
    return index.replyCount[r];
}

std::vector<int32_t> same_id(const ConversationIndex& index, int32_t r)
{
    std::vector<int32_t> out;
    if (!indexed(index, r) || index.idGroup[r - 1] < 0) return out;
    const int32_t group = index.idGroup[r - 1];
    for (int32_t s = 1; s <= index.responses; ++s)
        if (index.idGroup[s - 1] == group) out.push_back(s);
    return out;
}

IdPlace id_place(const ConversationIndex& index, int32_t r)
{
    if (!indexed(index, r) || index.idGroup[r - 1] < 0) return {0, 0};
    return {index.idPlace[r - 1], index.groupSize[index.idGroup[r - 1]]};
}

std::vector<int32_t> follow(const ConversationIndex& index, int32_t r, Follow what)
{
    switch (what) {
    case Follow::Anchors: {
        std::vector<int32_t> shown = anchors_of(index, r);
        shown.erase(std::remove_if(shown.begin(), shown.end(), [&](int32_t t) { return response_hidden(index, t); }),
                    shown.end());
        return shown;
    }
    case Follow::Replies:
        return replies_to(index, r);
    case Follow::SameId:
        return same_id(index, r);
    }
    return {};
}

size_t format_conversation_header(char* out, size_t size, int number, int32_t replies, IdPlace id,
                                  const char* name, const char* mail, const char* date)
{
    if (!out || size == 0) return 0;
    char numberText[32];
    if (replies > 0)
        std::snprintf(numberText, sizeof numberText, "%d (%d)", number, static_cast<int>(replies));
    else
        std::snprintf(numberText, sizeof numberText, "%d", number);
    std::string dateText = date ? date : "";
    if (id.count > 1) {
        std::string_view shown = date_id(date);
        char place[32];
        std::snprintf(place, sizeof place, " [%d/%d]", static_cast<int>(id.place), static_cast<int>(id.count));
        if (!shown.empty()) dateText.insert(static_cast<size_t>(shown.data() - date) + shown.size(), place);
    }
    std::string line = std::string(numberText) + " :" + (name ? name : "") + " " + (mail ? mail : "") + " " + dateText;
    return copy_field(out, size, line);
}
