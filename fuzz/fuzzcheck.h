// What the line harnesses assert: a failed check stops the run where the
// fuzzer can see it, and a piece cut from a line must lie within the line.
#pragma once
#include <cstdlib>
#include <string_view>

inline void check(bool ok)
{
    if (!ok) std::abort();
}

inline bool inside(std::string_view part, std::string_view whole)
{
    const char* end = whole.data() + whole.size();
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= end);
}
