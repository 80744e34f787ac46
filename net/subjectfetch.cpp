#include "net/subjectfetch.h"

bool subject_list_whole(const char* data, size_t len)
{
    return data && len > 0 && data[len - 1] == '\n';
}
