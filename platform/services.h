// The handset's service manager, found at run time in its core library:
// GetServiceHandle, ActivateService and DeregisterService. A desktop has no
// such library, so the look-up fails there unless a library of that name (or
// another one named by a test) provides the three.
#pragma once
#include <windows.h>

using GetServiceHandleFn = HANDLE(WINAPI*)(LPWSTR prefix, LPWSTR dllName, DWORD* dllNameSize);
using ActivateServiceFn = HANDLE(WINAPI*)(LPCWSTR deviceKey, DWORD clientInfo);
using DeregisterServiceFn = BOOL(WINAPI*)(HANDLE service);

constexpr wchar_t kCoreLibrary[] = L"coredll.dll";

struct ServiceManager {
    HMODULE module = nullptr;
    GetServiceHandleFn GetServiceHandle = nullptr;
    ActivateServiceFn ActivateService = nullptr;
    DeregisterServiceFn DeregisterService = nullptr;
};

// Loads `library` and finds all three entry points by name. True only when all
// three were found; otherwise the record is left empty and the library freed.
bool service_manager_load(ServiceManager* out, const wchar_t* library = kCoreLibrary);
// Forgets the entry points and frees the library.
void service_manager_unload(ServiceManager* sm);
