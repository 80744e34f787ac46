#include "tests/support/childrole_win.h"

#include <cstring>
#include <map>

#include "base/handles.h"

namespace {

std::map<std::string, ChildRole>& roles()
{
    static std::map<std::string, ChildRole> r;
    return r;
}

constexpr char kChildSwitch[] = "--child";

}  // namespace

ChildRoleRegistration::ChildRoleRegistration(const char* name, ChildRole role) { roles()[name] = role; }

bool play_child_role(int argc, char** argv, int* exitCode)
{
    if (argc < 3 || std::strcmp(argv[1], kChildSwitch) != 0) return false;
    auto it = roles().find(argv[2]);
    *exitCode = it == roles().end() ? -1 : it->second(std::vector<std::string>(argv + 3, argv + argc));
    return true;
}

long run_as_child(const std::string& role, const std::vector<std::string>& args)
{
    char program[MAX_PATH];
    if (GetModuleFileNameA(nullptr, program, MAX_PATH) == 0) return -1;
    std::string line = std::string("\"") + program + "\" " + kChildSwitch + " " + role;
    for (const std::string& a : args) line += " " + a;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.get(), 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &code);
    else TerminateProcess(process.get(), code);
    return static_cast<long>(code);
}
