// ComPtr<T>: one owned reference on a COM interface.
#pragma once

#include <unknwn.h>

#include <utility>

namespace dkfw
{
template <class T> class ComPtr
{
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept
    {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        Reset();
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept
    {
        ComPtr r;
        r.m_p = p;
        return r;
    }
    T* Detach() noexcept { return std::exchange(m_p, nullptr); }

    void Reset() noexcept
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Releases what is held and gives the address for an out parameter.
    T** Put() noexcept
    {
        Reset();
        return &m_p;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    template <class U> ComPtr<U> Query() const noexcept
    {
        ComPtr<U> r;
        if (m_p)
            m_p->QueryInterface(__uuidof(U), r.PutVoid());
        return r;
    }
    HRESULT QueryTo(REFIID riid, void** ppv) const noexcept
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        return m_p ? m_p->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    // Hands out a new reference.
    HRESULT CopyTo(T** out) const noexcept
    {
        if (!out)
            return E_POINTER;
        *out = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

private:
    T* m_p = nullptr;
};
} // namespace dkfw
