#include "reader/conversation.h"

ThreadConversation* conversation_of(ResponseBuffer& thread)
{
    if (!thread.lines) return nullptr;
    if (!thread.conversation) thread.conversation = new ThreadConversation;
    if (thread.conversation->index.responses != thread.responseCount)
        conversation_extend(thread.conversation->index, thread);
    return thread.conversation;
}

void conversation_release(ResponseBuffer& thread)
{
    delete thread.conversation;
    thread.conversation = nullptr;
}

void push_back_position(ThreadConversation& c, int32_t position)
{
    if (c.back.size() >= kMaxBackPositions) c.back.erase(c.back.begin());
    c.back.push_back(position);
}

bool pop_back_position(ThreadConversation& c, int32_t* position)
{
    if (c.back.empty()) return false;
    *position = c.back.back();
    c.back.pop_back();
    return true;
}
