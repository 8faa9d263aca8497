// The host's module runtime: runtime classes, the system registry of services, the dynamic
// linker that loads and unloads host modules, and the module entry point's messages.
#pragma once

#include "DkHostApi.h"

namespace DkRx
{
// Messages the host's module manager sends to a module's dkrxEntryPoint.
enum AppMsgCode
{
    kNullMsg = 0,
    kInitAppMsg = 1,
    kUnloadAppMsg = 2,
    kLoadDwgMsg = 3,
    kUnloadDwgMsg = 4,
};

enum AppRetCode
{
    kRetOK = 0,
    kRetError = 3,
};
} // namespace DkRx

// The interface version a module built against these declarations reports.
constexpr unsigned int kDkRxApiVersion = 0x120000;

// The name of the dynamic linker in the system registry.
#define DKRX_DYNAMIC_LINKER_OBJ L"DynamicLinker"

class DkRxObject;

class DKHOST_API DkRxClass
{
public:
    constexpr DkRxClass(const wchar_t* name, const DkRxClass* parent) noexcept : m_name(name), m_parent(parent) {}
    const wchar_t* name() const noexcept { return m_name; }
    const DkRxClass* myParent() const noexcept { return m_parent; }
    bool isDerivedFrom(const DkRxClass* other) const noexcept;
    // The protocol extension of the given class registered for this class or the nearest
    // class it derives from; null when none is.
    DkRxObject* queryX(const DkRxClass* protocol) const noexcept;

private:
    const wchar_t* m_name;
    const DkRxClass* m_parent;
};

class DKHOST_API DkRxObject
{
public:
    virtual ~DkRxObject();
    static const DkRxClass* desc() noexcept;
    virtual const DkRxClass* isA() const noexcept;
    bool isKindOf(const DkRxClass* c) const noexcept { return c && isA()->isDerivedFrom(c); }
    DkRxObject* queryX(const DkRxClass* protocol) const noexcept { return isA()->queryX(protocol); }
};

class DKHOST_API DkRxDictionary : public DkRxObject
{
public:
    static const DkRxClass* desc() noexcept;
    const DkRxClass* isA() const noexcept override;
    // The object registered under key, or null; the dictionary keeps ownership.
    virtual DkRxObject* at(const wchar_t* key) const noexcept = 0;
};

class DKHOST_API DkRxDynamicLinker : public DkRxObject
{
public:
    static const DkRxClass* desc() noexcept;
    // obj as a dynamic linker, or null when it is none.
    static DkRxDynamicLinker* cast(DkRxObject* obj) noexcept;
    const DkRxClass* isA() const noexcept override;

    // Lets the host unload the application's module later.
    virtual bool unlockApplication(void* appId) const noexcept = 0;
    // Declares the application's module able to work with several documents open.
    virtual bool registerAppMDIAware(void* appId) const noexcept = 0;
    virtual bool loadModule(const wchar_t* fileName, bool printit, bool asCmd) noexcept = 0;
    // The address of a function a loaded module exports for the service it registered under
    // serviceName; null when no module registered the service or the module exports no such
    // symbol.
    virtual void* getSymbolAddress(const wchar_t* serviceName, const char* symbol) const noexcept = 0;
};

// The host's registry of named services.
DKHOST_API DkRxDictionary* dkrxSysRegistry() noexcept;

// Whether a module registered the named service in the system registry.
DKHOST_API bool dkrxServiceIsRegistered(const wchar_t* serviceName) noexcept;

// Loads a host module by path and sends it the initialise message; false when refused.
DKHOST_API bool dkrxLoadModule(const wchar_t* fileName, bool printit, bool asCmd = false) noexcept;
