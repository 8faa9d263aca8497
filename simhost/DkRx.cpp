// The host's module runtime: runtime classes, the system registry and the dynamic linker
// that loads host modules and keeps a record of each.
#include "dkrx.h"
#include "dkstring.h"

#include "DkHostTest.h"
#include "Journal.h"

#include <windows.h>

#include <cwctype>
#include <map>
#include <memory>
#include <string>

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
        const std::wstring key = Lower(fileName);
        if (m_modules.count(key))
            return true;

        HMODULE h = ::LoadLibraryW(fileName);
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
        record->path = fileName;
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

    void RefuseLoads(bool refuse) noexcept { m_refuseLoads = refuse; }

private:
    ModuleRecord* Find(void* appId) const noexcept
    {
        for (const auto& [key, m] : m_modules)
            if (m.get() == appId)
                return m.get();
        return nullptr;
    }
    static std::wstring Describe(const ModuleRecord* m) { return m ? L" (" + m->name + L")" : L""; }
    static bool Refuse(const std::wstring& name, const wchar_t* why)
    {
        JournalAdd(L"dkrxLoadModule " + name + L" " + why);
        return false;
    }

    std::map<std::wstring, std::unique_ptr<ModuleRecord>> m_modules;
    bool m_refuseLoads = false;
};

class SysRegistry final : public DkRxDictionary
{
public:
    DkRxObject* at(const wchar_t* key) const noexcept override
    {
        if (!key)
            return nullptr;
        auto it = m_services.find(key);
        return it == m_services.end() ? nullptr : it->second;
    }
    void Set(const std::wstring& key, DkRxObject* obj)
    {
        if (obj)
            m_services[key] = obj;
        else
            m_services.erase(key);
    }

private:
    std::map<std::wstring, DkRxObject*> m_services;
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
    DkRxObject* own = key == DKRX_DYNAMIC_LINKER_OBJ ? &Linker() : nullptr;
    Registry().Set(key, registered ? own : nullptr);
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
