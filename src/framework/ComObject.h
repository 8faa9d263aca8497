// COM object root: QueryInterface generated from the list of interfaces, an atomic reference
// count, the module lock held for the object's life, plain and aggregatable forms.
#pragma once

#include "ComModule.h"
#include "HResult.h"

#include <unknwn.h>

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>

namespace dkfw
{
// An interface entry that also answers for the interfaces I derives from (for example a
// dual interface answering for IDispatch with the same pointer).
template <class I, class... Bases> struct Chain
{
    using Interface = I;
};

namespace detail
{
template <class E> struct EntryTraits
{
    using Interface = E;
    static bool Matches(REFIID riid) noexcept { return riid == __uuidof(E); }
};
template <class I, class... Bases> struct EntryTraits<Chain<I, Bases...>>
{
    using Interface = I;
    static bool Matches(REFIID riid) noexcept { return riid == __uuidof(I) || ((riid == __uuidof(Bases)) || ...); }
};
template <class E> using InterfaceOf = typename EntryTraits<E>::Interface;
} // namespace detail

// What every COM class derives from once: construction hooks and extra interfaces. The
// IUnknown methods stay abstract; ComObject or ComAggObject supplies them.
class ComRoot
{
protected:
    ComRoot() = default;
    virtual ~ComRoot() = default;
    // Interfaces answered outside the class's table (another object's, say); adds the reference itself.
    virtual HRESULT QueryExtra(REFIID, void**) noexcept { return E_NOINTERFACE; }
    // Second-phase construction; a failure destroys the object and is the creator's result.
    virtual HRESULT FinalConstruct() noexcept { return S_OK; }
    virtual void FinalRelease() noexcept {}

    template <class> friend class ComObject;
    template <class> friend class ComAggObject;
    template <class Self, class First, class... Entries> friend HRESULT QueryTable(Self*, REFIID, void**) noexcept;

private:
    // Creators call the hooks through the base, whatever access a class gives its overrides.
    HRESULT CallFinalConstruct() noexcept { return FinalConstruct(); }
    void CallFinalRelease() noexcept { FinalRelease(); }
};

namespace detail
{
template <class Self, class E> bool TryEntry(Self* self, REFIID riid, void** ppv) noexcept
{
    if (!EntryTraits<E>::Matches(riid))
        return false;
    *ppv = static_cast<InterfaceOf<E>*>(self);
    return true;
}
} // namespace detail

// QueryInterface over a table of interface entries that Self derives from; the first entry
// is the object's identity. Takes a reference through the interface found (which, in an
// aggregated object, goes to the outer unknown as COM requires).
template <class Self, class First, class... Entries> HRESULT QueryTable(Self* self, REFIID riid, void** ppv) noexcept
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown)
        *ppv = static_cast<IUnknown*>(static_cast<detail::InterfaceOf<First>*>(self));
    else
        detail::TryEntry<Self, First>(self, riid, ppv) || (detail::TryEntry<Self, Entries>(self, riid, ppv) || ...);
    if (!*ppv)
        return static_cast<ComRoot*>(self)->QueryExtra(riid, ppv);
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

// Base of a plain COM class: derives from the listed interfaces and answers for them.
template <class... Entries> class ComImplements : public ComRoot, public detail::InterfaceOf<Entries>...
{
public:
    HRESULT InternalQueryInterface(REFIID riid, void** ppv) noexcept
    {
        return QueryTable<ComImplements, Entries...>(this, riid, ppv);
    }

protected:
    ComImplements() = default;
};

// The plain form: T's own IUnknown with a reference count.
template <class T> class ComObject final : public T
{
public:
    template <class... Args> static HRESULT Create(ComObject** out, Args&&... args) noexcept
    try
    {
        *out = nullptr;
        auto* p = new ComObject(std::forward<Args>(args)...);
        p->m_refs = 1;
        const HRESULT hr = p->CallFinalConstruct();
        if (FAILED(hr))
        {
            p->Release();
            return hr;
        }
        *out = p;
        return S_OK;
    }
    DK_CATCH_RETURN()

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept
    {
        RETURN_HR_IF(E_POINTER, !ppv);
        *ppv = nullptr;
        RETURN_HR_IF(CLASS_E_NOAGGREGATION, outer != nullptr);
        ComObject* p = nullptr;
        RETURN_IF_FAILED(Create(&p));
        const HRESULT hr = p->InternalQueryInterface(riid, ppv);
        p->Release();
        return hr;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        return this->InternalQueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const ULONG n = --m_refs;
        if (n == 0)
        {
            m_refs = 1; // guards against re-entry from FinalRelease
            this->CallFinalRelease();
            delete this;
        }
        return n;
    }

private:
    template <class... Args> explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...) { ModuleLock(); }
    ~ComObject() override { ModuleUnlock(); }

    std::atomic<ULONG> m_refs{0};
};

// The aggregatable form: a non-delegating inner unknown that owns a T whose IUnknown
// delegates to the outer unknown.
template <class T> class ComAggObject final : public IUnknown
{
public:
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept
    try
    {
        RETURN_HR_IF(E_POINTER, !ppv);
        *ppv = nullptr;
        // An aggregated object must hand its inner unknown to the outer one and nothing else.
        RETURN_HR_IF(CLASS_E_NOAGGREGATION, !outer || riid != IID_IUnknown);
        auto* p = new ComAggObject(outer);
        p->m_refs = 1;
        const HRESULT hr = p->m_contained.CallFinalConstruct();
        if (FAILED(hr))
        {
            p->Release();
            return hr;
        }
        *ppv = static_cast<IUnknown*>(p);
        return S_OK;
    }
    DK_CATCH_RETURN()

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !ppv);
        if (riid == IID_IUnknown)
        {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained.InternalQueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        const ULONG n = --m_refs;
        if (n == 0)
        {
            m_refs = 1;
            m_contained.CallFinalRelease();
            delete this;
        }
        return n;
    }

private:
    class Contained final : public T
    {
    public:
        explicit Contained(IUnknown* outer) : m_outer(outer) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
        {
            return m_outer->QueryInterface(riid, ppv);
        }
        STDMETHODIMP_(ULONG) AddRef() noexcept override { return m_outer->AddRef(); }
        STDMETHODIMP_(ULONG) Release() noexcept override { return m_outer->Release(); }

    private:
        IUnknown* m_outer; // not owned: the outer object owns us
    };

    explicit ComAggObject(IUnknown* outer) : m_contained(outer) { ModuleLock(); }
    virtual ~ComAggObject() { ModuleUnlock(); }

    std::atomic<ULONG> m_refs{0};
    Contained m_contained;
};

// Instance creator of an object-map row: plain without an outer unknown, aggregatable with one.
template <class T> HRESULT CreateInstanceOf(IUnknown* outer, REFIID riid, void** ppv) noexcept
{
    return outer ? ComAggObject<T>::CreateInstance(outer, riid, ppv) : ComObject<T>::CreateInstance(outer, riid, ppv);
}
} // namespace dkfw
