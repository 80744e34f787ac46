// A test program started again by one of its own tests, to play a part that
// may end the whole process (a program killed half-way, say):
// "<program> --child <role> <arguments...>". The role's result is the
// program's exit code.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

using ChildRole = int (*)(const std::vector<std::string>& args);

// Registers a role at start-up: `static ChildRoleRegistration r("name", play);`.
struct ChildRoleRegistration {
    ChildRoleRegistration(const char* name, ChildRole role);
};

// From main: plays the role the command line names and gives its result;
// false when the command line names none (an ordinary test run).
bool play_child_role(int argc, char** argv, int* exitCode);

// Starts this program again as `role` with `args` (no blanks or quotes in
// them) and waits for it: its exit code, or -1 when it could not be started
// or did not end within two minutes.
long run_as_child(const std::string& role, const std::vector<std::string>& args);
