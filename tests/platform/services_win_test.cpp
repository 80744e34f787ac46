#include <gtest/gtest.h>

#include "platform/services.h"

// This test program stands in for the core library: it exports the three
// entry points itself, and the look-up is pointed at its own file.
namespace {
int g_get_calls = 0;
}

extern "C" __declspec(dllexport) HANDLE WINAPI GetServiceHandle(LPWSTR, LPWSTR, DWORD*)
{
    ++g_get_calls;
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234));
}
extern "C" __declspec(dllexport) HANDLE WINAPI ActivateService(LPCWSTR, DWORD) { return nullptr; }
extern "C" __declspec(dllexport) BOOL WINAPI DeregisterService(HANDLE) { return TRUE; }

namespace {
std::wstring own_path()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}
}  // namespace

TEST(ServiceManager, AllThreeFoundInALibraryThatHasThem)
{
    ServiceManager sm;
    ASSERT_TRUE(service_manager_load(&sm, own_path().c_str()));
    EXPECT_NE(sm.module, nullptr);
    ASSERT_NE(sm.GetServiceHandle, nullptr);
    EXPECT_NE(sm.ActivateService, nullptr);
    EXPECT_NE(sm.DeregisterService, nullptr);
    g_get_calls = 0;
    wchar_t prefix[] = L"VSM0:";
    EXPECT_EQ(sm.GetServiceHandle(prefix, nullptr, nullptr), reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234)));
    EXPECT_EQ(g_get_calls, 1);
    service_manager_unload(&sm);
    EXPECT_EQ(sm.module, nullptr);
    EXPECT_EQ(sm.GetServiceHandle, nullptr);
}

TEST(ServiceManager, MissingLibraryOrEntryPointsLeaveItEmpty)
{
    ServiceManager sm;
    sm.GetServiceHandle = reinterpret_cast<GetServiceHandleFn>(1);
    EXPECT_FALSE(service_manager_load(&sm, L"no-such-library-here.dll"));
    EXPECT_EQ(sm.module, nullptr);
    EXPECT_EQ(sm.GetServiceHandle, nullptr);
    // A library without the three names.
    EXPECT_FALSE(service_manager_load(&sm, L"kernel32.dll"));
    EXPECT_EQ(sm.module, nullptr);
    EXPECT_EQ(sm.ActivateService, nullptr);
    EXPECT_FALSE(service_manager_load(&sm, nullptr));
    EXPECT_FALSE(service_manager_load(nullptr, own_path().c_str()));
    service_manager_unload(nullptr);
}
