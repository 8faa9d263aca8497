// The host installation's registration of DkPEXCtl's control classes and type library in
// the current user's classes, as the host's installer writes them. The same keys then go
// into the machine's classes too: this platform's COM (Wine 8) reads classes, progids and
// type libraries from there only, where Windows merges the user's over the machine's. A
// hive whose registration fails part-way is taken back, and the names the module's type
// library gives are checked before anything is written. The host's own in-process classes
// (its property pages) are registered the same way, served by DkHost.dll; the user gets the
// host's settings key with a current profile, as at the host's first run.
#include "DkHostTest.h"
#include "Profiles.h"

#include <oleauto.h>
#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace
{
// The custom data under which a class's progid is stored in the type library.
const GUID kProgIdGuid = {0x9b3c1f6e, 0x5d2a, 0x4e7b, {0x8c, 0x41, 0x2f, 0x6a, 0x90, 0xd3, 0x17, 0xe5}};

// The misc status of the controls: set the client site first, activate when visible, inside
// out, no linking inside, recompose on resize.
const wchar_t kMiscStatus[] = L"131473";
const wchar_t kClassesRoot[] = L"Software\\Classes\\";

std::wstring GuidText(const GUID& g)
{
    wchar_t buf[40];
    ::StringFromGUID2(g, buf, 40);
    return buf;
}

// The user's classes first, then the machine's.
const HKEY kHives[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

HRESULT SetValue(HKEY hive, const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    HKEY h = nullptr;
    LONG rc = ::RegCreateKeyExW(hive, (kClassesRoot + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    rc = ::RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(h);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

HRESULT DeleteTree(HKEY hive, const std::wstring& key)
{
    const LONG rc = ::RegDeleteTreeW(hive, (kClassesRoot + key).c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}

// A progid as COM takes one: a letter first, then letters, digits, periods and underscores
// (no longer than a key name may be), and none of the keys the classes root holds for
// itself. Anything else (a backslash, say) would name another key under the classes root.
bool IsValidProgId(const std::wstring& progId)
{
    if (progId.empty() || progId.size() > 255 || progId[0] >= 128 || !std::iswalpha(progId[0]) || progId.back() == L'.')
        return false;
    for (wchar_t c : progId)
        if (!(c < 128 && (std::iswalnum(c) || c == L'.' || c == L'_')))
            return false;
    for (const wchar_t* reserved : {L"CLSID", L"Interface", L"TypeLib", L"AppID", L"Record", L"Component Categories"})
        if (::CompareStringOrdinal(progId.c_str(), -1, reserved, -1, TRUE) == CSTR_EQUAL)
            return false;
    return true;
}

// The default value of a key under the classes root, or empty when there is none.
std::wstring DefaultValue(HKEY hive, const std::wstring& key)
{
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    if (::RegGetValueW(hive, (kClassesRoot + key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return L"";
    return buf;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The module registered is this one: the same path; or, for an installation that moved, a
// file of the same name that is gone or whose type library is this module's (libid).
bool SameModule(const std::wstring& registered, const std::wstring& ours, const GUID* libid)
{
    if (SameText(registered, ours))
        return true;
    auto name = [](const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); };
    if (!libid || !SameText(name(registered), name(ours)))
        return false;
    if (::GetFileAttributesW(registered.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    ITypeLib* lib = nullptr;
    if (FAILED(::LoadTypeLibEx(registered.c_str(), REGKIND_NONE, &lib)) || !lib)
        return false;
    TLIBATTR* attr = nullptr;
    const bool same = SUCCEEDED(lib->GetLibAttr(&attr)) && attr && ::IsEqualGUID(attr->guid, *libid);
    if (attr)
        lib->ReleaseTLibAttr(attr);
    lib->Release();
    return same;
}

bool KeyExists(HKEY hive, const std::wstring& key)
{
    HKEY h = nullptr;
    if (::RegOpenKeyExW(hive, (kClassesRoot + key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(h);
    return true;
}

// The keys a class would be written to are free or already this module's: a progid that
// names another class's key (a file type, say), or a class id served by another module (or
// by no in-process module at all), is never written over.
bool OwnsOrFree(HKEY hive, const CLSID& clsid, const std::wstring& progId, const std::wstring& serverPath,
                const GUID* libid)
{
    const std::wstring key = L"CLSID\\" + GuidText(clsid);
    const std::wstring server = DefaultValue(hive, key + L"\\InprocServer32");
    if (server.empty() ? KeyExists(hive, key) : !SameModule(server, serverPath, libid))
        return false;
    return progId.empty() || !KeyExists(hive, progId) ||
           SameText(DefaultValue(hive, progId + L"\\CLSID"), GuidText(clsid));
}

HRESULT RegisterClassIn(HKEY hive, const CLSID& clsid, const std::wstring& progId, const std::wstring& userType,
                        const std::wstring& serverPath, const GUID* libid)
{
    const std::wstring key = L"CLSID\\" + GuidText(clsid);
    HRESULT hr = SetValue(hive, key, nullptr, userType);
    if (SUCCEEDED(hr))
        hr = SetValue(hive, key + L"\\InprocServer32", nullptr, serverPath);
    if (SUCCEEDED(hr))
        hr = SetValue(hive, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    if (SUCCEEDED(hr))
        hr = SetValue(hive, key + L"\\Control", nullptr, L"");
    if (SUCCEEDED(hr))
        hr = SetValue(hive, key + L"\\MiscStatus", nullptr, L"0");
    if (SUCCEEDED(hr))
        hr = SetValue(hive, key + L"\\MiscStatus\\1", nullptr, kMiscStatus);
    if (SUCCEEDED(hr))
        hr = SetValue(hive, key + L"\\Verb\\0", nullptr, L"&Properties,0,2");
    if (SUCCEEDED(hr) && libid)
        hr = SetValue(hive, key + L"\\TypeLib", nullptr, GuidText(*libid));
    if (SUCCEEDED(hr) && libid)
        hr = SetValue(hive, key + L"\\Version", nullptr, L"1.0");
    if (SUCCEEDED(hr) && !progId.empty())
    {
        hr = SetValue(hive, key + L"\\ProgID", nullptr, progId);
        if (SUCCEEDED(hr))
            hr = SetValue(hive, progId, nullptr, userType);
        if (SUCCEEDED(hr))
            hr = SetValue(hive, progId + L"\\CLSID", nullptr, GuidText(clsid));
    }
    return hr;
}

// Takes out what is this class's: the class id's key when its server is the module (any
// server when no module is named), the progid's key when it names this class id. A valid
// progid only: "CLSID" would name the whole class table.
HRESULT UnregisterClassIn(HKEY hive, const CLSID& clsid, const std::wstring& progId,
                          const std::wstring& serverPath = L"", const GUID* libid = nullptr)
{
    const std::wstring key = L"CLSID\\" + GuidText(clsid);
    const std::wstring server = DefaultValue(hive, key + L"\\InprocServer32");
    HRESULT hr = S_OK;
    if (serverPath.empty() || (!server.empty() && SameModule(server, serverPath, libid)))
        hr = DeleteTree(hive, key);
    if (SUCCEEDED(hr) && IsValidProgId(progId) && SameText(DefaultValue(hive, progId + L"\\CLSID"), GuidText(clsid)))
        hr = DeleteTree(hive, progId);
    return hr;
}

struct ClassInfo
{
    CLSID clsid;
    std::wstring name;
    std::wstring progId;
};

HRESULT ReadModule(const wchar_t* path, TLIBATTR& libAttr, std::wstring& help, std::vector<ClassInfo>& classes)
{
    ITypeLib* lib = nullptr;
    HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(hr = lib->GetLibAttr(&attr)))
    {
        libAttr = *attr;
        lib->ReleaseTLibAttr(attr);
    }
    BSTR doc = nullptr;
    lib->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr);
    help = doc ? doc : L"";
    ::SysFreeString(doc);
    for (UINT i = 0; SUCCEEDED(hr) && i < lib->GetTypeInfoCount(); ++i)
    {
        TYPEKIND kind;
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS || FAILED(lib->GetTypeInfo(i, &info)))
            continue;
        ClassInfo c{};
        TYPEATTR* ta = nullptr;
        BSTR name = nullptr;
        ITypeInfo2* info2 = nullptr;
        VARIANT progId;
        ::VariantInit(&progId);
        if (SUCCEEDED(info->GetTypeAttr(&ta)))
        {
            c.clsid = ta->guid;
            info->ReleaseTypeAttr(ta);
        }
        info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        c.name = name ? name : L"";
        ::SysFreeString(name);
        if (SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2))))
        {
            if (SUCCEEDED(info2->GetCustData(kProgIdGuid, &progId)) && progId.vt == VT_BSTR)
                c.progId = progId.bstrVal;
            ::VariantClear(&progId);
            info2->Release();
        }
        info->Release();
        classes.push_back(c);
    }
    lib->Release();
    return hr;
}
} // namespace

namespace dkhost
{
HMODULE HostModule() noexcept;
}

namespace
{
struct HostClassEntry
{
    const CLSID* clsid;
    const wchar_t* name;
};
const HostClassEntry kHostClasses[] = {
    {&dkhost_test::kObjectsPageClsid, L"DkHost property page (selected objects)"},
    {&dkhost_test::kIdsPageClsid, L"DkHost property page (object ids)"},
    {&dkhost_test::kPlainPageClsid, L"DkHost property page (no dialog)"},
};
} // namespace

namespace dkhost_test
{
HRESULT InstallHostClasses() noexcept
try
{
    if (!dkhost::EnsureCurrentProfile())
        return E_ACCESSDENIED;
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(dkhost::HostModule(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    for (HKEY hive : kHives)
        for (const HostClassEntry& c : kHostClasses)
        {
            const std::wstring key = L"CLSID\\" + GuidText(*c.clsid);
            HRESULT hr = SetValue(hive, key, nullptr, c.name);
            if (SUCCEEDED(hr))
                hr = SetValue(hive, key + L"\\InprocServer32", nullptr, path);
            if (SUCCEEDED(hr))
                hr = SetValue(hive, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
            if (FAILED(hr))
            {
                for (const HostClassEntry& taken : kHostClasses)
                    DeleteTree(hive, L"CLSID\\" + GuidText(*taken.clsid));
                return hive == HKEY_CURRENT_USER ? hr : S_FALSE;
            }
        }
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT UninstallHostClasses() noexcept
try
{
    for (HKEY hive : kHives)
        for (const HostClassEntry& c : kHostClasses)
            if (const HRESULT hr = DeleteTree(hive, L"CLSID\\" + GuidText(*c.clsid)); FAILED(hr))
                return hr;
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT RegisterControlClass(const CLSID& clsid, const wchar_t* progId, const wchar_t* userType,
                             const wchar_t* serverPath, const GUID* libid) noexcept
try
{
    if (!serverPath || !userType)
        return E_POINTER;
    const std::wstring name = progId ? progId : L"";
    if (!name.empty() && !IsValidProgId(name))
        return E_INVALIDARG;
    for (HKEY hive : kHives)
        if (!OwnsOrFree(hive, clsid, name, serverPath, libid))
            return E_ACCESSDENIED;
    for (HKEY hive : kHives)
        if (const HRESULT hr = RegisterClassIn(hive, clsid, name, userType, serverPath, libid); FAILED(hr))
        {
            UnregisterClassIn(hive, clsid, name, serverPath, libid);
            return hive == HKEY_CURRENT_USER ? hr : S_FALSE;
        }
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT UnregisterControlClass(const CLSID& clsid, const wchar_t* progId) noexcept
try
{
    for (HKEY hive : kHives)
        if (const HRESULT hr = UnregisterClassIn(hive, clsid, progId ? progId : L""); FAILED(hr))
            return hr;
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT InstallModule(const wchar_t* modulePath, int* count) noexcept
try
{
    if (count)
        *count = 0;
    TLIBATTR attr{};
    std::wstring help;
    std::vector<ClassInfo> classes;
    if (!modulePath || std::wcslen(modulePath) >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    HRESULT hr = ReadModule(modulePath, attr, help, classes);
    if (FAILED(hr))
        return hr;
    // Every name is checked before anything is written: valid, and free or this module's.
    for (const ClassInfo& c : classes)
    {
        if (!c.progId.empty() && !IsValidProgId(c.progId))
            return E_INVALIDARG;
        for (HKEY hive : kHives)
            if (!OwnsOrFree(hive, c.clsid, c.progId, modulePath, &attr.guid))
                return E_ACCESSDENIED;
    }
    std::wstring dir = modulePath;
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
    const std::wstring lib = L"TypeLib\\" + GuidText(attr.guid) + L"\\" + std::to_wstring(attr.wMajorVerNum) + L"." +
                             std::to_wstring(attr.wMinorVerNum);
    // The type library's key, too, is free or this module's.
    for (HKEY hive : kHives)
        if (KeyExists(hive, lib) && !SameModule(DefaultValue(hive, lib + L"\\0\\win64"), modulePath, &attr.guid))
            return E_ACCESSDENIED;
    for (HKEY hive : kHives)
    {
        hr = SetValue(hive, lib, nullptr, help);
        if (SUCCEEDED(hr))
            hr = SetValue(hive, lib + L"\\0\\win64", nullptr, modulePath);
        if (SUCCEEDED(hr))
            hr = SetValue(hive, lib + L"\\FLAGS", nullptr, L"0");
        if (SUCCEEDED(hr))
            hr = SetValue(hive, lib + L"\\HELPDIR", nullptr, dir);
        for (const ClassInfo& c : classes)
            if (SUCCEEDED(hr))
                hr = RegisterClassIn(hive, c.clsid, c.progId, c.name + L" Class", modulePath, &attr.guid);
        if (FAILED(hr))
        {
            // No hive keeps part of a registration: this one is taken back.
            for (const ClassInfo& c : classes)
                UnregisterClassIn(hive, c.clsid, c.progId, modulePath, &attr.guid);
            DeleteTree(hive, lib);
            // The user's registration stands when only the machine's classes are refused.
            return hive == HKEY_CURRENT_USER ? hr : S_FALSE;
        }
        if (count && hive == HKEY_CURRENT_USER)
            *count = static_cast<int>(classes.size());
    }
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}

HRESULT UninstallModule(const wchar_t* modulePath) noexcept
try
{
    TLIBATTR attr{};
    std::wstring help;
    std::vector<ClassInfo> classes;
    if (!modulePath || std::wcslen(modulePath) >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    HRESULT hr = ReadModule(modulePath, attr, help, classes);
    if (FAILED(hr))
        return hr;
    for (HKEY hive : kHives)
    {
        for (const ClassInfo& c : classes)
            if (FAILED(hr = UnregisterClassIn(hive, c.clsid, c.progId, modulePath, &attr.guid)))
                return hr;
        // Only the type library's version this module registered, and only when it is this
        // module's: another library of the same id keeps its key.
        const std::wstring lib = L"TypeLib\\" + GuidText(attr.guid) + L"\\" + std::to_wstring(attr.wMajorVerNum) +
                                 L"." + std::to_wstring(attr.wMinorVerNum);
        const std::wstring registered = DefaultValue(hive, lib + L"\\0\\win64");
        if (!registered.empty() && SameModule(registered, modulePath, &attr.guid) && FAILED(hr = DeleteTree(hive, lib)))
            return hr;
    }
    return S_OK;
}
catch (...)
{
    return E_OUTOFMEMORY;
}
} // namespace dkhost_test
