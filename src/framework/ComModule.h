// The COM module: object map rows, the class factory, the lock count, the automatic object
// list, the per-module resource handle and the registry of window classes.
#pragma once

#include <windows.h>

#include <string>

#include <atomic>
#include <oaidl.h>

#include <span>
#include <vector>

namespace dkfw
{
struct ObjectMapEntry;

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv) noexcept;
using ClassObjectCreator = HRESULT (*)(ObjectMapEntry& entry, REFIID riid, void** ppv) noexcept;
using ClassHook = void (*)(bool initialize) noexcept;

// One row of the object map. A row with no instance creator is a class that is not built
// yet: asking for its class object answers CLASS_E_CLASSNOTAVAILABLE.
struct ObjectMapEntry
{
    const CLSID* clsid = nullptr;
    InstanceCreator createInstance = nullptr;
    ClassObjectCreator createClassObject = nullptr; // the standard class factory when null
    ClassHook classHook = nullptr;                  // run at module init (true) and term (false)
    IUnknown* classObject = nullptr;                // cached, created once
    ObjectMapEntry* nextAuto = nullptr;             // link in the automatic object list

    // Classes register nothing themselves; the host's installation does.
    static HRESULT UpdateRegistry(BOOL) noexcept { return S_OK; }
};

// The standard class factory over a row's instance creator.
HRESULT CreateClassFactory(ObjectMapEntry& entry, REFIID riid, void** ppv) noexcept;

// Adds a row to the automatic object list, searched after the object map. Meant for
// namespace-scope objects; the list is read-only once the module is initialised.
class AutoObjectEntry
{
public:
    explicit AutoObjectEntry(ObjectMapEntry& entry) noexcept;
};

class ComModule
{
public:
    ComModule() noexcept;
    virtual ~ComModule();
    ComModule(const ComModule&) = delete;
    ComModule& operator=(const ComModule&) = delete;

    // Makes this the module of the binary, runs every row's init hook.
    HRESULT Init(std::span<ObjectMapEntry> objectMap, HINSTANCE instance, const GUID* libid) noexcept;
    // Releases cached class objects and runs the term hooks, object map first.
    void Term() noexcept;

    virtual LONG Lock() noexcept;
    virtual LONG Unlock() noexcept;
    LONG LockCount() const noexcept { return m_lockCount.load(); }

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept;
    HRESULT CanUnloadNow() const noexcept;

    // Type information of an interface described by the module's type library: the one in
    // the module's own file, else the registered library of the module's LIBID. Cached until
    // Term. With vtable set, the interface's own (not the dispatch) description of a dual.
    HRESULT GetTypeInfo(REFIID iid, bool vtable, ITypeInfo** out) noexcept;

    HINSTANCE Instance() const noexcept { return m_instance; }
    const GUID* Libid() const noexcept { return m_libid; }

protected:
    std::atomic<LONG> m_lockCount{0};

private:
    HRESULT ClassObjectFor(ObjectMapEntry& entry, REFIID riid, void** ppv) noexcept;

    std::span<ObjectMapEntry> m_objectMap;
    HINSTANCE m_instance = nullptr;
    const GUID* m_libid = nullptr;
    CRITICAL_SECTION m_cs;
    bool m_initialised = false;
    ITypeLib* m_typeLib = nullptr;
    struct CachedTypeInfo
    {
        IID iid;
        bool vtable;
        ITypeInfo* info;
    };
    std::vector<CachedTypeInfo> m_typeInfos;
};

// The binary's module, or null before Init / after Term. Objects lock it for their life.
ComModule* CurrentModule() noexcept;
// The full path of a file beside the module (its own folder), empty when it cannot be told.
// Every library the component loads is loaded from there: never by a bare name, which the
// standard search would also look for in the current folder and on the PATH.
std::wstring FileBesideModule(HINSTANCE module, const wchar_t* name);
void ModuleLock() noexcept;
void ModuleUnlock() noexcept;

// Resource loading goes to this handle (the module's own instance until switched).
HINSTANCE ResourceHandle() noexcept;
void SetResourceHandle(HINSTANCE h) noexcept;

// Live framework windows; the module may unload only when none remain.
void NoteWindowCreated() noexcept;
void NoteWindowDestroyed() noexcept;
bool FrameworkCanUnload() noexcept;
long LiveWindows() noexcept;

// Window classes registered for the module's controls, unregistered together at detach.
ATOM RegisterModuleWindowClass(const WNDCLASSEXW& wc) noexcept;
void UnregisterModuleWindowClasses() noexcept;
} // namespace dkfw
