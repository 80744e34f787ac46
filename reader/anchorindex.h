// The conversation of an open thread: for every response the responses it
// anchors, how many answer it, and the responses that share its ID. Built
// from the parsed thread and extended, not rebuilt, when a reload adds
// responses. Byte-level, over the thread's Shift-JIS text.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/responses.h"

struct NgFilter;

// Caps that keep one response from flooding the index: the targets of one
// range, and all the targets of one response.
constexpr int32_t kMaxRangeTargets = 30;
constexpr int32_t kMaxAnchorsPerResponse = 60;

// Adds the responses low to high to `targets`, whose entries from `first`
// on belong to one response: no repeats, at most kMaxRangeTargets of the
// range and kMaxAnchorsPerResponse from `first`.
void add_anchor_targets(std::vector<int32_t>& targets, size_t first, int32_t low, int32_t high);

struct ConversationIndex {
    int32_t responses = 0;                 // responses indexed, 1 to `responses`
    std::vector<uint32_t> anchorStart;     // [r - 1]: first target of response r; one more at the end
    std::vector<int32_t> anchors;          // targets, each response's in the order written, no repeats
    std::vector<int32_t> replyCount;       // [target]: responses anchoring it (up to kMaxAnchorTarget)
    std::vector<int32_t> idGroup;          // [r - 1]: its ID's group, -1 without an ID
    std::vector<int32_t> idPlace;          // [r - 1]: 1-based place among its group
    std::vector<int32_t> groupSize;        // [group]: responses with that ID
    std::unordered_map<std::string, int32_t> groups;   // ID text to group
    std::vector<uint8_t> hidden;           // [r - 1]: hidden by the NG lists (reader/ngfilter.h)
    uint32_t ngGeneration = 0;             // the filter it was judged by; 0 none
};

// Indexes the responses of `thread` after the ones already indexed, judging
// each by `filter` (null hides nothing) as it is indexed. A thread with fewer
// responses than the index holds (a log fetched again whole), or an index
// judged by another filter, is indexed from the start. A hidden response
// joins no ID and answers nothing; with the filter's chain on, so is one
// whose every anchor points at an earlier hidden response.
void conversation_extend(ConversationIndex& index, const ResponseBuffer& thread, const NgFilter* filter = nullptr);

// Whether response `r` is hidden.
bool response_hidden(const ConversationIndex& index, int32_t r);

// The ID of a date field: the text after " ID:" up to the next blank, empty
// without one or for a hidden ID ("???", with or without a device mark).
std::string_view date_id(const char* date);

// The responses response `r` anchors, in the order written.
std::vector<int32_t> anchors_of(const ConversationIndex& index, int32_t r);
// The responses that anchor `r`, ascending, hidden ones left out.
std::vector<int32_t> replies_to(const ConversationIndex& index, int32_t r);
int32_t reply_count(const ConversationIndex& index, int32_t r);
// The responses with the ID of `r`, ascending; empty without an ID.
std::vector<int32_t> same_id(const ConversationIndex& index, int32_t r);

struct IdPlace {
    int32_t place;   // 1-based; 0 without an ID
    int32_t count;
};
IdPlace id_place(const ConversationIndex& index, int32_t r);

// What a key or a tap follows from a response; a popup never lists a hidden
// response.
enum class Follow { Anchors, Replies, SameId };
std::vector<int32_t> follow(const ConversationIndex& index, int32_t r, Follow what);

// The header line with the conversation in it: the number, " (replies)" when
// any answer it, " :", name, mail and date as format_header writes them, with
// " [place/count]" after the ID when more than one response has it. Cut at a
// character boundary to `size`; returns the length.
size_t format_conversation_header(char* out, size_t size, int number, int32_t replies, IdPlace id,
                                  const char* name, const char* mail, const char* date);
