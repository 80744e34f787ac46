#include "reader/conversation.h"

#include "reader/ngfilter.h"

ThreadConversation* conversation_of(ResponseBuffer& thread)
{
    if (!thread.lines) return nullptr;
    if (!thread.conversation) thread.conversation = new ThreadConversation;
    const NgFilter* filter = active_ng_filter();
    const ConversationIndex& index = thread.conversation->index;
    if (index.responses != thread.responseCount || index.ngGeneration != (filter ? filter->generation : 0))
        conversation_extend(thread.conversation->index, thread, filter);
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
