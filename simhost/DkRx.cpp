// The host's module runtime: runtime classes, the system registry and the dynamic linker
// that loads host modules and keeps a record of each.
#include "dkrx.h"
#include "dkstring.h"

#include "DkHostTest.h"
#include "HostModules.h"
#include "Journal.h"

#include <windows.h>

#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <iterator>
#include <string>

namespace dkhost
{
HMODULE HostModule() noexcept;
}

namespace
{
using dkhost::BaseName;
using dkhost::HexPointer;
using dkhost::JournalAdd;

using EntryPointFn = DkRx::AppRetCode (*)(DkRx::AppMsgCode, void*);
using ApiVersionFn = unsigned int (*)(unsigned int);

// What the host knows of one loaded module; its address is the module's application id.
struct ModuleRecord
{
    std::wstring path;
    std::wstring name;
    HMODULE handle = nullptr;
    bool unlocked = false;
    bool mdiAware = false;
};

std::wstring Lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// The scene module, and the older build of it from before it drew web previews.
const wchar_t kSceneModule[] = L"dksceneui.drx";
const wchar_t kOlderSceneModule[] = L"DkSceneUIOld.drx";
int g_sceneFault = dkhost_test::kSceneModuleOk;

bool IsSceneModule(const std::wstring& path)
{
    const std::wstring base = Lower(BaseName(path.c_str()));
    return base == kSceneModule || base == Lower(kOlderSceneModule);
}

// The folder of DkHost.dll, with its separator.
std::wstring HostFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(dkhost::HostModule(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return L"";
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// The file a module name stands for: a name without a folder is the host's own module, beside
// DkHost.dll. Where the scene module is installed in its older build, that is the file loaded.
std::wstring ModuleFile(const std::wstring& given)
{
    const size_t slash = given.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : given.substr(0, slash + 1);
    std::wstring base = slash == std::wstring::npos ? given : given.substr(slash + 1);
    if (g_sceneFault == dkhost_test::kSceneModuleNoPreview && Lower(base) == kSceneModule)
        base = kOlderSceneModule;
    if (folder.empty())
    {
        const std::wstring beside = HostFolder() + base;
        if (::GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
            return beside;
    }
    return folder + base;
}

// A service in the system registry: the object, the module that registered it (none for the
// host's own), and whether it is taken out for now (a test switch) and can be put back.
struct Service
{
    DkRxObject* object = nullptr;
    const ModuleRecord* module = nullptr;
    bool hidden = false;
};

class SysRegistry final : public DkRxDictionary
{
public:
    DkRxObject* at(const wchar_t* key) const noexcept override
    {
        const Service* s = Visible(key);
        return s ? s->object : nullptr;
    }
    // The host's own object (or another, no module's) under key; null takes the name out.
    void Set(const std::wstring& key, DkRxObject* obj)
    {
        if (obj)
            m_services[key] = Service{obj, nullptr, false};
        else
            m_services.erase(key);
    }
    // A module's service: refused where the name stands for another's.
    bool Register(const std::wstring& key, DkRxObject* obj, const ModuleRecord* module)
    {
        const Service* now = Visible(key.c_str());
        if (!obj || (now && now->module != module))
            return false;
        m_services[key] = Service{obj, module, false};
        return true;
    }
    void Unregister(const std::wstring& key, const ModuleRecord* module)
    {
        const auto it = m_services.find(key);
        if (it != m_services.end() && it->second.module == module)
            m_services.erase(it);
    }
    // Every service of a module that leaves.
    void Forget(const ModuleRecord* module) noexcept
    {
        for (auto it = m_services.begin(); it != m_services.end();)
            it = it->second.module == module ? m_services.erase(it) : std::next(it);
    }
    // Takes a service out for now, or puts it back; false when there is none to put back.
    bool Hide(const std::wstring& key, bool hidden) noexcept
    {
        const auto it = m_services.find(key);
        if (it == m_services.end())
            return false;
        it->second.hidden = hidden;
        return true;
    }
    const Service* Visible(const wchar_t* key) const noexcept
    try
    {
        const auto it = key ? m_services.find(key) : m_services.end();
        return it == m_services.end() || it->second.hidden ? nullptr : &it->second;
    }
    catch (...)
    {
        return nullptr;
    }

private:
    std::map<std::wstring, Service> m_services;
};

SysRegistry& Registry();

class HostDynamicLinker final : public DkRxDynamicLinker
{
public:
    bool unlockApplication(void* appId) const noexcept override
    {
        ModuleRecord* m = Find(appId);
        JournalAdd(L"DynamicLinker.unlockApplication app=" + HexPointer(appId) + Describe(m));
        if (m)
            m->unlocked = true;
        return m != nullptr;
    }

    bool registerAppMDIAware(void* appId) const noexcept override
    {
        ModuleRecord* m = Find(appId);
        JournalAdd(L"DynamicLinker.registerAppMDIAware app=" + HexPointer(appId) + Describe(m));
        if (m)
            m->mdiAware = true;
        return m != nullptr;
    }

    bool loadModule(const wchar_t* fileName, bool printit, bool asCmd) noexcept override
    try
    {
        if (!fileName || !*fileName)
            return false;
        const std::wstring name = BaseName(fileName);
        JournalAdd(L"dkrxLoadModule " + name + L" print=" + (printit ? L"1" : L"0") + L" cmd=" + (asCmd ? L"1" : L"0"));
        if (m_refuseLoads)
        {
            JournalAdd(L"dkrxLoadModule " + name + L" refused");
            return false;
        }
        const std::wstring file = ModuleFile(fileName);
        const std::wstring key = Lower(file);
        if (m_modules.count(key))
            return true;
        if (g_sceneFault == dkhost_test::kSceneModuleMissing && IsSceneModule(file))
            return Refuse(name, L"cannot be loaded");

        HMODULE h = ::LoadLibraryW(file.c_str());
        if (!h)
            return Refuse(name, L"cannot be loaded");
        auto entry = reinterpret_cast<EntryPointFn>(::GetProcAddress(h, "dkrxEntryPoint"));
        auto version = reinterpret_cast<ApiVersionFn>(::GetProcAddress(h, "dkrxGetApiVersion"));
        if (!entry || !version)
        {
            ::FreeLibrary(h);
            return Refuse(name, L"is not a host module");
        }
        if ((version(kDkRxApiVersion) >> 16) != (kDkRxApiVersion >> 16))
        {
            ::FreeLibrary(h);
            return Refuse(name, L"was built for another host version");
        }
        auto record = std::make_unique<ModuleRecord>();
        record->path = file;
        record->name = name;
        record->handle = h;
        ModuleRecord* appId = record.get();
        m_modules.emplace(key, std::move(record));
        const DkRx::AppRetCode rc = entry(DkRx::kInitAppMsg, appId);
        JournalAdd(L"dkrxEntryPoint " + name + L" kInitAppMsg -> " + std::to_wstring(rc));
        return true;
    }
    catch (...)
    {
        return false;
    }

    void* getSymbolAddress(const wchar_t* serviceName, const char* symbol) const noexcept override
    try
    {
        const Service* service = Registry().Visible(serviceName);
        const ModuleRecord* m = service ? service->module : nullptr;
        void* address = m && symbol ? reinterpret_cast<void*>(::GetProcAddress(m->handle, symbol)) : nullptr;
        const std::wstring asked = std::wstring(serviceName ? serviceName : L"") + L" " +
                                   std::wstring(symbol ? symbol : "", symbol ? symbol + std::strlen(symbol) : nullptr);
        JournalAdd(L"DynamicLinker.getSymbolAddress " + asked +
                   (address ? L" -> " + m->name
                    : m     ? L" -> none (" + m->name + L" exports no such symbol)"
                            : std::wstring(L" -> none (no module registered the service)")));
        return address;
    }
    catch (...)
    {
        return nullptr;
    }

    void RefuseLoads(bool refuse) noexcept { m_refuseLoads = refuse; }

    ModuleRecord* Find(void* appId) const noexcept
    {
        for (const auto& [key, m] : m_modules)
            if (m.get() == appId)
                return m.get();
        return nullptr;
    }

    // The scene module leaves the process, as when the host unloads it: it is told, its
    // services go, and a later load starts it anew.
    void UnloadSceneModule() noexcept
    {
        for (auto it = m_modules.begin(); it != m_modules.end();)
        {
            ModuleRecord* m = it->second.get();
            if (!IsSceneModule(m->path))
            {
                ++it;
                continue;
            }
            if (auto entry = reinterpret_cast<EntryPointFn>(::GetProcAddress(m->handle, "dkrxEntryPoint")))
                entry(DkRx::kUnloadAppMsg, m);
            Registry().Forget(m);
            ::FreeLibrary(m->handle);
            it = m_modules.erase(it);
        }
    }

private:
    static std::wstring Describe(const ModuleRecord* m) { return m ? L" (" + m->name + L")" : L""; }
    static bool Refuse(const std::wstring& name, const wchar_t* why)
    {
        JournalAdd(L"dkrxLoadModule " + name + L" " + why);
        return false;
    }

    std::map<std::wstring, std::unique_ptr<ModuleRecord>> m_modules;
    bool m_refuseLoads = false;
};

HostDynamicLinker& Linker()
{
    static HostDynamicLinker linker;
    return linker;
}

SysRegistry& Registry()
{
    static SysRegistry registry = []
    {
        SysRegistry r;
        r.Set(DKRX_DYNAMIC_LINKER_OBJ, &Linker());
        return r;
    }();
    return registry;
}

// What stands under a service's name where a test puts back a service no module registered.
DkRxObject& HostService()
{
    static DkRxObject service;
    return service;
}

constexpr DkRxClass g_objectClass(L"DkRxObject", nullptr);
constexpr DkRxClass g_dictionaryClass(L"DkRxDictionary", &g_objectClass);
constexpr DkRxClass g_linkerClass(L"DkRxDynamicLinker", &g_objectClass);
} // namespace

bool DkRxClass::isDerivedFrom(const DkRxClass* other) const noexcept
{
    for (const DkRxClass* c = this; c; c = c->m_parent)
        if (c == other)
            return true;
    return false;
}

DkRxObject::~DkRxObject() = default;
const DkRxClass* DkRxObject::desc() noexcept
{
    return &g_objectClass;
}
const DkRxClass* DkRxObject::isA() const noexcept
{
    return &g_objectClass;
}

const DkRxClass* DkRxDictionary::desc() noexcept
{
    return &g_dictionaryClass;
}
const DkRxClass* DkRxDictionary::isA() const noexcept
{
    return &g_dictionaryClass;
}

const DkRxClass* DkRxDynamicLinker::desc() noexcept
{
    return &g_linkerClass;
}
const DkRxClass* DkRxDynamicLinker::isA() const noexcept
{
    return &g_linkerClass;
}
DkRxDynamicLinker* DkRxDynamicLinker::cast(DkRxObject* obj) noexcept
{
    return obj && obj->isKindOf(desc()) ? static_cast<DkRxDynamicLinker*>(obj) : nullptr;
}

DkRxDictionary* dkrxSysRegistry() noexcept
{
    return &Registry();
}

bool dkrxLoadModule(const wchar_t* fileName, bool printit, bool asCmd) noexcept
{
    return Linker().loadModule(fileName, printit, asCmd);
}

bool dkrxServiceIsRegistered(const wchar_t* serviceName) noexcept
{
    return Registry().at(serviceName) != nullptr;
}

namespace dkhost_modules
{
bool RegisterService(void* appId, const wchar_t* name, DkRxObject* service) noexcept
try
{
    const ModuleRecord* m = Linker().Find(appId);
    const bool registered = m && name && *name && Registry().Register(name, service, m);
    JournalAdd(L"service " + std::wstring(name ? name : L"") + L" registered by " +
               (m ? m->name : L"an unknown module") + (registered ? L"" : L": refused"));
    return registered;
}
catch (...)
{
    return false;
}

void UnregisterService(void* appId, const wchar_t* name) noexcept
try
{
    if (const ModuleRecord* m = Linker().Find(appId); m && name)
        Registry().Unregister(name, m);
}
catch (...)
{
}

void Journal(const wchar_t* entry) noexcept
{
    if (entry)
        JournalAdd(entry);
}

int SceneModuleFault() noexcept
{
    return g_sceneFault;
}
} // namespace dkhost_modules

namespace dkhost_test
{
void RefuseModuleLoads(bool refuse) noexcept
{
    Linker().RefuseLoads(refuse);
}

void SetServiceRegistered(const wchar_t* name, bool registered) noexcept
try
{
    if (!name)
        return;
    const std::wstring key = name;
    if (!registered)
        Registry().Hide(key, true);
    // The host's own linker, the module's service taken out before, or one of no module's.
    else if (key == DKRX_DYNAMIC_LINKER_OBJ)
        Registry().Set(key, &Linker());
    else if (!Registry().Hide(key, false))
        Registry().Set(key, &HostService());
}
catch (...)
{
}

void RegisterForeignService(const wchar_t* name) noexcept
try
{
    if (name)
        Registry().Set(name, &Registry());
}
catch (...)
{
}

void SetSceneModuleFault(int fault) noexcept
{
    Linker().UnloadSceneModule();
    g_sceneFault = fault;
}
} // namespace dkhost_test

int dkStringCompare(const wchar_t* a, const wchar_t* b) noexcept
{
    a = a ? a : L"";
    b = b ? b : L"";
    const int folded = ::CompareStringOrdinal(a, -1, b, -1, TRUE);
    if (folded != 0 && folded != CSTR_EQUAL)
        return folded - CSTR_EQUAL;
    const int exact = ::CompareStringOrdinal(a, -1, b, -1, FALSE);
    return exact == 0 ? 0 : exact - CSTR_EQUAL;
}
