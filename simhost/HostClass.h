// A class the host registers in its own process for its apartment: a class object that lives
// as long as the process and makes objects of T.
#pragma once

#include "ComObject.h"
#include "HResult.h"

#include <objbase.h>

namespace dkhost
{
template <class T> class HostClass final : public IClassFactory
{
public:
    explicit constexpr HostClass(const CLSID& clsid) noexcept : m_clsid(clsid) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !ppv);
        *ppv = riid == IID_IUnknown || riid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override
    {
        return dkfw::ComObject<T>::CreateInstance(outer, riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

    // Registered for this thread's apartment (once), or taken away by the thread that
    // registered it.
    void Register() noexcept
    {
        if (m_cookie)
            return;
        DWORD cookie = 0;
        if (SUCCEEDED(::CoRegisterClassObject(m_clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
        {
            m_cookie = cookie;
            m_registeredBy = ::GetCurrentThreadId();
        }
    }
    void Revoke() noexcept
    {
        if (m_cookie && m_registeredBy == ::GetCurrentThreadId() && SUCCEEDED(::CoRevokeClassObject(m_cookie)))
            m_cookie = 0;
    }

private:
    CLSID m_clsid;
    DWORD m_cookie = 0;
    DWORD m_registeredBy = 0;
};
} // namespace dkhost
