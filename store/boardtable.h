// The in-memory board table with its categories, and the *.brd files behind it.
#pragma once
#include <cstdint>

constexpr int kBoardFieldUnits = 33;      // 32 characters and terminator
constexpr int kCategoryMax = 50;
constexpr int kBoardTableInitialCapacity = 1024;
constexpr int kBoardTableGrowth = 10;

struct BoardEntry {
    wchar_t name[kBoardFieldUnits];
    wchar_t host[kBoardFieldUnits];       // may carry "/" and one path level
    wchar_t dir[kBoardFieldUnits];
    int32_t index;                        // for a favourite: the ordinary board it stands for
};

struct BoardArray {
    BoardEntry* items;                    // zero-filled when allocated
    int32_t count;
    int32_t capacity;
};

struct Category {
    wchar_t name[kBoardFieldUnits];
    int32_t first;
    int32_t last;
};

struct CategoryArray {
    Category items[kCategoryMax];
    int32_t lastCategory;
};

extern BoardArray BoardTable;
extern CategoryArray CategoryTable;
