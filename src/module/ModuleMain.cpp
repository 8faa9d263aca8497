// DkPEXCtl.drx's entry points: process attach and detach, the COM exports and the host
// module's entry point and version query.
#include "DkPEXCtl.h"
#include "DrxComModule.h"
#include "ObjectMap.h"
#include "ResourceOverride.h"
#include "dkrx.h"

#include "ComModule.h"
#include "Unique.h"

#include <windows.h>

namespace
{
CDrxComModule g_module;

BOOL ProcessAttach(HINSTANCE instance) noexcept
{
    // The resource library beside the component, mapped for its resources only: no code of
    // it runs, and no library of that name elsewhere is ever taken for it.
    HMODULE res = nullptr;
    try
    {
        const std::wstring path = dkfw::FileBesideModule(instance, L"DkPEXCtlRes.dll");
        if (!path.empty())
            res = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    catch (...)
    {
        res = nullptr;
    }
    if (!res)
    {
        // No resource library means no text to say it in: this one message is literal.
        ::MessageBoxW(nullptr, L"DkPEXCtl resource only DLL load failed", L"DkPEXCtl", MB_OK);
        return FALSE;
    }
    dkpex::SetResourceLibrary(res);
    if (FAILED(g_module.Init(dkpex::ObjectMap(), instance, &LIBID_DKPEXCTLLib)))
        return FALSE;
    ::DisableThreadLibraryCalls(instance);
    return TRUE;
}

void ProcessDetach() noexcept
{
    g_module.Term();
    dkfw::UnregisterModuleWindowClasses();
}
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept
{
    switch (reason)
    {
    case DLL_PROCESS_ATTACH:
        return ProcessAttach(instance);
    case DLL_PROCESS_DETACH:
        ProcessDetach();
        return TRUE;
    default:
        return TRUE;
    }
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv)
{
    return g_module.GetClassObject(clsid, riid, ppv);
}

STDAPI DllCanUnloadNow()
{
    return g_module.CanUnloadNow();
}

extern "C" DkRx::AppRetCode dkrxEntryPoint(DkRx::AppMsgCode msg, void* appId) noexcept
{
    if (msg != DkRx::kInitAppMsg)
        return DkRx::kRetOK;
    // The host always offers its linker; a host that does not is answered without the calls.
    DkRxDictionary* registry = dkrxSysRegistry();
    DkRxDynamicLinker* linker = registry ? DkRxDynamicLinker::cast(registry->at(DKRX_DYNAMIC_LINKER_OBJ)) : nullptr;
    if (linker)
    {
        linker->unlockApplication(appId);
        linker->registerAppMDIAware(appId);
    }
    return DkRx::kRetOK;
}

extern "C" unsigned int dkrxGetApiVersion(unsigned int) noexcept
{
    return kDkRxApiVersion;
}

// Diagnostics for the host's developers: the GDI objects and framework windows the
// library holds now. A balance check compares two readings.
extern "C" void DkPeResourceCounts(long* gdiObjects, long* windows) noexcept
{
    if (gdiObjects)
        *gdiObjects = dkfw::LiveGdiObjects();
    if (windows)
        *windows = dkfw::LiveWindows();
}
