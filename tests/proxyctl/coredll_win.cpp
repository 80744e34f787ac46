// A stand-in for the handset's core library, built as "coredll.dll" beside the
// proxyctl tests: the three service-manager entry points the proxy switch
// looks up by name, and a few extra exports through which the tests steer and
// watch them. Whether the proxy client's service counts as loaded comes from
// coredll_test_set_service_loaded, or, until that is called, from the
// environment variable QUORVEX_TEST_VSM_LOADED ("0" means not loaded).
#include <windows.h>

#include <cwchar>

namespace {

LONG g_loaded = -1;   // -1: ask the environment
LONG g_get_calls = 0;
LONG g_activate_calls = 0;
LONG g_deregister_calls = 0;
wchar_t g_last_prefix[64];
LONG g_last_extra_args = 0;

// Looks like a handle, is never one a test could close by accident.
HANDLE const kServiceHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5650));

bool service_loaded()
{
    if (g_loaded >= 0) return g_loaded != 0;
    wchar_t value[8];
    DWORD n = GetEnvironmentVariableW(L"QUORVEX_TEST_VSM_LOADED", value, 8);
    return !(n == 1 && value[0] == L'0');
}

}  // namespace

extern "C" {

__declspec(dllexport) HANDLE GetServiceHandle(LPWSTR prefix, LPWSTR dll_name, DWORD* dll_name_size)
{
    InterlockedIncrement(&g_get_calls);
    g_last_prefix[0] = L'\0';
    if (prefix) {
        size_t i = 0;
        for (; i + 1 < 64 && prefix[i]; ++i) g_last_prefix[i] = prefix[i];
        g_last_prefix[i] = L'\0';
    }
    g_last_extra_args = (dll_name != nullptr ? 1 : 0) + (dll_name_size != nullptr ? 1 : 0);
    return service_loaded() ? kServiceHandle : INVALID_HANDLE_VALUE;
}

__declspec(dllexport) HANDLE ActivateService(LPCWSTR, DWORD)
{
    InterlockedIncrement(&g_activate_calls);
    return nullptr;
}

__declspec(dllexport) BOOL DeregisterService(HANDLE)
{
    InterlockedIncrement(&g_deregister_calls);
    return FALSE;
}

// 1: the service is loaded, 0: it is not, -1: ask the environment again.
__declspec(dllexport) void coredll_test_set_service_loaded(int loaded)
{
    InterlockedExchange(&g_loaded, loaded < 0 ? -1 : (loaded ? 1 : 0));
}

// Clears the call counts and the last arguments.
__declspec(dllexport) void coredll_test_reset()
{
    InterlockedExchange(&g_get_calls, 0);
    InterlockedExchange(&g_activate_calls, 0);
    InterlockedExchange(&g_deregister_calls, 0);
    InterlockedExchange(&g_last_extra_args, 0);
    g_last_prefix[0] = L'\0';
}

__declspec(dllexport) int coredll_test_get_service_handle_calls() { return g_get_calls; }
__declspec(dllexport) int coredll_test_activate_service_calls() { return g_activate_calls; }
__declspec(dllexport) int coredll_test_deregister_service_calls() { return g_deregister_calls; }

// The prefix of the last GetServiceHandle call, and how many of its other two
// arguments were not null.
__declspec(dllexport) void coredll_test_last_call(wchar_t* prefix, int units, int* extra_args)
{
    if (prefix && units > 0) {
        int i = 0;
        for (; i + 1 < units && g_last_prefix[i]; ++i) prefix[i] = g_last_prefix[i];
        prefix[i] = L'\0';
    }
    if (extra_args) *extra_args = g_last_extra_args;
}

}  // extern "C"
