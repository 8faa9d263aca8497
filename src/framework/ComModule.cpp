// The COM module, its class factory and the framework's per-module state.
#include "ComModule.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "HResult.h"

#include "Unique.h"

#include <utility>
#include <vector>

namespace dkfw
{
namespace
{
ComModule* g_module = nullptr;
ObjectMapEntry* g_autoObjects = nullptr;
HINSTANCE g_resourceHandle = nullptr;
std::atomic<LONG> g_liveWindows{0};

class ClassFactory : public ComImplements<IClassFactory>
{
public:
    explicit ClassFactory(InstanceCreator create) noexcept : m_create(create) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !ppv);
        *ppv = nullptr;
        // COM's rule: an outer unknown may only ask for the inner IUnknown.
        RETURN_HR_IF(CLASS_E_NOAGGREGATION, outer && riid != IID_IUnknown);
        return m_create(outer, riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) noexcept override
    {
        if (lock)
            ModuleLock();
        else
            ModuleUnlock();
        return S_OK;
    }

private:
    InstanceCreator m_create;
};

// A class object does not lock the module by existing (only LockServer does), or a cached
// class factory would keep the module loaded for ever.
class ClassFactoryObject final : public ClassFactory
{
public:
    using ClassFactory::ClassFactory;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override { return InternalQueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const ULONG n = --m_refs;
        if (n == 0)
            delete this;
        return n;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

struct WindowClassRegistry
{
    WindowClassRegistry() noexcept { ::InitializeCriticalSection(&cs); }
    ~WindowClassRegistry() { ::DeleteCriticalSection(&cs); }
    CRITICAL_SECTION cs;
    std::vector<std::pair<ATOM, HINSTANCE>> classes;
};
WindowClassRegistry& WindowClasses() noexcept
{
    static WindowClassRegistry registry;
    return registry;
}
} // namespace

HRESULT CreateClassFactory(ObjectMapEntry& entry, REFIID riid, void** ppv) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !ppv);
    *ppv = nullptr;
    RETURN_HR_IF(CLASS_E_CLASSNOTAVAILABLE, !entry.createInstance);
    auto factory = ComPtr<IClassFactory>::Attach(new ClassFactoryObject(entry.createInstance));
    return factory.QueryTo(riid, ppv);
}
DK_CATCH_RETURN()

AutoObjectEntry::AutoObjectEntry(ObjectMapEntry& entry) noexcept
{
    entry.nextAuto = g_autoObjects;
    g_autoObjects = &entry;
}

ComModule::ComModule() noexcept
{
    ::InitializeCriticalSection(&m_cs);
}

ComModule::~ComModule()
{
    Term();
    ::DeleteCriticalSection(&m_cs);
}

HRESULT ComModule::Init(std::span<ObjectMapEntry> objectMap, HINSTANCE instance, const GUID* libid) noexcept
{
    m_objectMap = objectMap;
    m_instance = instance;
    m_libid = libid;
    g_module = this;
    if (!g_resourceHandle)
        g_resourceHandle = instance;
    for (ObjectMapEntry& e : m_objectMap)
        if (e.classHook)
            e.classHook(true);
    for (ObjectMapEntry* e = g_autoObjects; e; e = e->nextAuto)
        if (e->classHook)
            e->classHook(true);
    m_initialised = true;
    return S_OK;
}

void ComModule::Term() noexcept
{
    if (!m_initialised)
        return;
    m_initialised = false;
    auto termEntry = [](ObjectMapEntry& e)
    {
        if (IUnknown* cached = std::exchange(e.classObject, nullptr))
            cached->Release();
        if (e.classHook)
            e.classHook(false);
    };
    for (ObjectMapEntry& e : m_objectMap)
        termEntry(e);
    for (ObjectMapEntry* e = g_autoObjects; e; e = e->nextAuto)
        termEntry(*e);
    for (CachedTypeInfo& c : m_typeInfos)
        c.info->Release();
    m_typeInfos.clear();
    if (ITypeLib* lib = std::exchange(m_typeLib, nullptr))
        lib->Release();
    if (g_module == this)
        g_module = nullptr;
}

LONG ComModule::Lock() noexcept
{
    return ++m_lockCount;
}

LONG ComModule::Unlock() noexcept
{
    return --m_lockCount;
}

HRESULT ComModule::ClassObjectFor(ObjectMapEntry& entry, REFIID riid, void** ppv) noexcept
{
    RETURN_HR_IF(CLASS_E_CLASSNOTAVAILABLE, !entry.createInstance && !entry.createClassObject);
    if (!entry.classObject)
    {
        ::EnterCriticalSection(&m_cs);
        HRESULT hr = S_OK;
        if (!entry.classObject)
        {
            ClassObjectCreator create = entry.createClassObject ? entry.createClassObject : CreateClassFactory;
            hr = create(entry, IID_IUnknown, reinterpret_cast<void**>(&entry.classObject));
        }
        ::LeaveCriticalSection(&m_cs);
        RETURN_IF_FAILED(hr);
    }
    return entry.classObject->QueryInterface(riid, ppv);
}

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept
{
    RETURN_HR_IF(E_POINTER, !ppv);
    *ppv = nullptr;
    for (ObjectMapEntry& e : m_objectMap)
        if (e.clsid && *e.clsid == clsid)
            return ClassObjectFor(e, riid, ppv);
    for (ObjectMapEntry* e = g_autoObjects; e; e = e->nextAuto)
        if (e->clsid && *e->clsid == clsid)
            return ClassObjectFor(*e, riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModule::GetTypeInfo(REFIID iid, bool vtable, ITypeInfo** out) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    for (const CachedTypeInfo& c : m_typeInfos)
    {
        if (c.iid == iid && c.vtable == vtable)
        {
            *out = c.info;
            c.info->AddRef();
            return S_OK;
        }
    }
    if (!m_typeLib)
    {
        wchar_t path[MAX_PATH];
        const DWORD n = ::GetModuleFileNameW(m_instance, path, MAX_PATH);
        HRESULT hr = n > 0 && n < MAX_PATH ? ::LoadTypeLibEx(path, REGKIND_NONE, &m_typeLib) : E_FAIL;
        if (FAILED(hr) && m_libid)
            hr = ::LoadRegTypeLib(*m_libid, 1, 0, LOCALE_NEUTRAL, &m_typeLib);
        RETURN_IF_FAILED(hr);
    }
    ComPtr<ITypeInfo> info;
    RETURN_IF_FAILED(m_typeLib->GetTypeInfoOfGuid(iid, info.Put()));
    if (vtable)
    {
        // A dual interface is described twice; the vtable half is what ITypeInfo::Invoke calls.
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vt;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, vt.Put())))
            info = vt;
    }
    m_typeInfos.push_back(CachedTypeInfo{iid, vtable, info.Get()});
    info.Detach();
    return GetTypeInfo(iid, vtable, out);
}
DK_CATCH_RETURN()

HRESULT ComModule::CanUnloadNow() const noexcept
{
    return FrameworkCanUnload() && LockCount() == 0 ? S_OK : S_FALSE;
}

ComModule* CurrentModule() noexcept
{
    return g_module;
}

void ModuleLock() noexcept
{
    if (g_module)
        g_module->Lock();
}

void ModuleUnlock() noexcept
{
    if (g_module)
        g_module->Unlock();
}

std::wstring FileBesideModule(HINSTANCE module, const wchar_t* name)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size())
        {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1) + name;
}

HINSTANCE ResourceHandle() noexcept
{
    return g_resourceHandle;
}

void SetResourceHandle(HINSTANCE h) noexcept
{
    g_resourceHandle = h;
}

void NoteWindowCreated() noexcept
{
    ++g_liveWindows;
}

void NoteWindowDestroyed() noexcept
{
    --g_liveWindows;
}

bool FrameworkCanUnload() noexcept
{
    return g_liveWindows.load() == 0;
}

long LiveWindows() noexcept
{
    return g_liveWindows.load();
}

namespace
{
std::atomic<long> g_liveGdiObjects{0};
} // namespace

long LiveGdiObjects() noexcept
{
    return g_liveGdiObjects.load();
}

void NoteGdiObject(long delta) noexcept
{
    g_liveGdiObjects += delta;
}

ATOM RegisterModuleWindowClass(const WNDCLASSEXW& wc) noexcept
try
{
    WindowClassRegistry& reg = WindowClasses();
    ::EnterCriticalSection(&reg.cs);
    auto leave = ScopeExit([&] { ::LeaveCriticalSection(&reg.cs); });
    const ATOM atom = ::RegisterClassExW(&wc);
    if (atom)
        reg.classes.emplace_back(atom, wc.hInstance);
    return atom;
}
catch (...)
{
    return 0;
}

void UnregisterModuleWindowClasses() noexcept
{
    WindowClassRegistry& reg = WindowClasses();
    ::EnterCriticalSection(&reg.cs);
    for (const auto& [atom, instance] : reg.classes)
        ::UnregisterClassW(MAKEINTATOM(atom), instance);
    reg.classes.clear();
    reg.classes.shrink_to_fit();
    ::LeaveCriticalSection(&reg.cs);
}
} // namespace dkfw
