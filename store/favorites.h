// The user's favourite boards ("favorite.brd") and favourite threads
// ("favorite.txt") in the program's directory.
#pragma once
#include "store/boardtable.h"

constexpr char kFavoriteThreadFile[] = "favorite.txt";

// Create the file with its default contents when it is missing; an existing
// file is never touched. 1, or 0 when it could not be created.
int favorite_ita_create();
int favorite_sure_create();

// Adds the board to "favorite.brd" unless a favourite of that display name is
// there, then reloads the favourite boards. 1 when added or already there; 0
// when the file cannot be opened or the board cannot stand in it.
int favorite_ita_add(const BoardEntry& board);

// Adds a thread of `board` (its log file name, for example "1065069078.dat",
// and its title, cut to 255 characters) to "favorite.txt" unless a favourite
// with that file name is there. 1 when added or already there; 0 when the
// file cannot be opened or the thread cannot stand in it.
int favorite_sure_add(const BoardEntry& board, const wchar_t* fileName, const wchar_t* title);

// Removes every favourite thread with that file name, whatever its board,
// through a safe rewrite. 1 when the file was rewritten; 0 otherwise, the
// file then unchanged (also for a null or empty name: nothing is selected).
int favorite_sure_delitem(const wchar_t* fileName);
