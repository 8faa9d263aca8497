// dkhost.exe: the stand-in host as a program. Loads a host module the way the host's module
// manager does, lists the classes its type library describes and whether the module hands
// each one out, and prints the host journal.
#include "DkHostTest.h"
#include "dkrx.h"

#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <map>
#include <string>

namespace
{
using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(WINAPI*)();
using ApiVersionFn = unsigned int (*)(unsigned int);

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

std::wstring GuidText(const GUID& g)
{
    wchar_t buf[40];
    ::StringFromGUID2(g, buf, 40);
    return buf;
}

const wchar_t* Answer(HRESULT hr)
{
    if (SUCCEEDED(hr))
        return L"class object";
    if (hr == CLASS_E_CLASSNOTAVAILABLE)
        return L"not built yet";
    return L"failed";
}

// Lists the coclasses of the module's type library and asks the module for each.
int ListClasses(const std::wstring& path, GetClassObjectFn getClassObject)
{
    ITypeLib* lib = nullptr;
    HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr))
    {
        std::wprintf(L"no type library in %ls (0x%08lx)\n", path.c_str(), static_cast<unsigned long>(hr));
        return 0;
    }
    BSTR name = nullptr;
    BSTR help = nullptr;
    lib->GetDocumentation(-1, &name, &help, nullptr, nullptr);
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(lib->GetLibAttr(&attr)))
    {
        std::wprintf(L"type library %ls %u.%u \"%ls\" %ls\n", name, attr->wMajorVerNum, attr->wMinorVerNum,
                     help ? help : L"", GuidText(attr->guid).c_str());
        lib->ReleaseTLibAttr(attr);
    }
    ::SysFreeString(name);
    ::SysFreeString(help);

    int classes = 0;
    int available = 0;
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i)
    {
        TYPEKIND kind;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS)
            continue;
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info)))
            continue;
        TYPEATTR* ta = nullptr;
        BSTR cls = nullptr;
        info->GetDocumentation(MEMBERID_NIL, &cls, nullptr, nullptr, nullptr);
        if (SUCCEEDED(info->GetTypeAttr(&ta)))
        {
            IUnknown* factory = nullptr;
            hr = getClassObject(ta->guid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
            if (factory)
                factory->Release();
            ++classes;
            available += SUCCEEDED(hr) ? 1 : 0;
            std::wprintf(L"%3d  %-46ls %ls  %ls\n", classes, cls, GuidText(ta->guid).c_str(), Answer(hr));
            info->ReleaseTypeAttr(ta);
        }
        ::SysFreeString(cls);
        info->Release();
    }
    lib->Release();
    std::wprintf(L"%d of %d classes available\n", available, classes);
    return classes;
}
} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring module = argc > 1 ? argv[1] : L"DkPEXCtl.drx";
    const std::wstring path = module.find_first_of(L"\\/:") == std::wstring::npos ? ExeFolder() + module : module;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    std::wprintf(L"host: loading %ls\n", path.c_str());
    if (!dkrxLoadModule(path.c_str(), true, false))
    {
        std::wprintf(L"host: %ls was not loaded\n", module.c_str());
        for (int i = 0; i < dkhost_test::JournalSize(); ++i)
            std::wprintf(L"  journal: %ls\n", dkhost_test::JournalEntry(i));
        ::CoUninitialize();
        return 1;
    }
    HMODULE h = ::GetModuleHandleW(path.c_str());
    auto version = reinterpret_cast<ApiVersionFn>(::GetProcAddress(h, "dkrxGetApiVersion"));
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(::GetProcAddress(h, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnloadFn>(::GetProcAddress(h, "DllCanUnloadNow"));
    std::wprintf(L"host: %ls loaded, host interface version 0x%x\n", module.c_str(),
                 version ? version(kDkRxApiVersion) : 0);

    if (getClassObject)
        ListClasses(path, getClassObject);
    if (canUnload)
        std::wprintf(L"DllCanUnloadNow: %ls\n", canUnload() == S_OK ? L"S_OK" : L"S_FALSE");

    // The drawing the palette will edit: the embedded sample.
    if (SUCCEEDED(dkhost_test::LoadSampleDrawing()))
    {
        LONG_PTR ids[512];
        const int n = dkhost_test::Entities(ids, 512);
        std::map<std::wstring, int> perClass;
        for (int i = 0; i < n && i < 512; ++i)
            ++perClass[dkhost_test::EntityClass(ids[i])];
        std::wprintf(L"drawing %ls: %d objects\n", dkhost_test::DrawingName(), n);
        for (const auto& [cls, count] : perClass)
            std::wprintf(L"  %-16ls %d\n", cls.c_str(), count);
    }

    std::wprintf(L"host journal:\n");
    for (int i = 0; i < dkhost_test::JournalSize(); ++i)
        std::wprintf(L"  %ls\n", dkhost_test::JournalEntry(i));
    ::CoUninitialize();
    return 0;
}
