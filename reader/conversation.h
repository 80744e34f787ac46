// The reader's state of one open thread beyond its text: its conversation
// index, kept up with the thread's responses, and the stack of view positions
// that the back key returns to. Byte-level.
#pragma once
#include <cstdint>
#include <vector>

#include "reader/anchorindex.h"
#include "store/responses.h"

// Positions kept to go back to; the oldest goes first.
constexpr size_t kMaxBackPositions = 32;

struct ThreadConversation {
    ConversationIndex index;
    std::vector<int32_t> back;   // top lines, the latest last
};

// The state of `thread`, made when first needed and extended to the
// thread's responses; null for a thread without lines (being reloaded).
ThreadConversation* conversation_of(ResponseBuffer& thread);

// Frees the state of a thread that is closed for good.
void conversation_release(ResponseBuffer& thread);

// The back stack: push a position before a jump; pop gives the latest, or
// false when there is none.
void push_back_position(ThreadConversation& c, int32_t position);
bool pop_back_position(ThreadConversation& c, int32_t* position);
