#include "platform/services.h"

bool service_manager_load(ServiceManager* out, const wchar_t* library)
{
    if (!out) return false;
    *out = ServiceManager{};
    if (!library) return false;
    HMODULE module = LoadLibraryW(library);
    if (!module) return false;
    auto get = reinterpret_cast<GetServiceHandleFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "GetServiceHandle")));
    auto activate = reinterpret_cast<ActivateServiceFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "ActivateService")));
    auto deregister = reinterpret_cast<DeregisterServiceFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DeregisterService")));
    if (!get || !activate || !deregister) {
        FreeLibrary(module);
        return false;
    }
    out->module = module;
    out->GetServiceHandle = get;
    out->ActivateService = activate;
    out->DeregisterService = deregister;
    return true;
}

void service_manager_unload(ServiceManager* sm)
{
    if (!sm) return;
    if (sm->module) FreeLibrary(sm->module);
    *sm = ServiceManager{};
}
