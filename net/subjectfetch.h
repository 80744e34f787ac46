// Whether a fetched thread list may replace the board's local "subject.txt".
#pragma once
#include <cstddef>

// Only a list that ends with a line feed: every line of "subject.txt" ends
// with one, so a list that does not was cut in transit (a server that closes
// early without announcing a length). Storing it would replace a whole list
// with a part of it. Nothing at all (the 416 marker comes with length 0) is
// no list either.
bool subject_list_whole(const char* data, size_t len);

// True when the list has the shape of "subject.txt": at least one line, and
// every line that is not blank a thread's file name ("<digits>.dat")
// followed by "<>" and the title. An error page answered with 200 has not,
// and must not replace a held list.
bool subject_list_shaped(const char* data, size_t len);
