// Connection points of a COM object: one per outgoing interface, living as long as their
// container, holding one reference per connected sink.
#pragma once

#include "ComPtr.h"

#include <ocidl.h>
#include <olectl.h>

#include <utility>
#include <vector>

namespace dkfw
{
class ConnectionPoint final : public IConnectionPoint
{
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) noexcept : m_owner(owner), m_iid(iid) {}
    ~ConnectionPoint() { UnadviseAll(); }
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    const IID& Iid() const noexcept { return m_iid; }
    // The connected sinks as they are now: firing works on a copy, so a sink may disconnect
    // while it is called.
    std::vector<ComPtr<IUnknown>> Sinks() const;
    void UnadviseAll() noexcept;

    // A connection point is part of its container: its references are the container's.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return m_owner->AddRef(); }
    STDMETHODIMP_(ULONG) Release() noexcept override { return m_owner->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    STDMETHODIMP Unadvise(DWORD cookie) noexcept override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) noexcept override;

private:
    IConnectionPointContainer* m_owner; // not owned: the container owns this point
    IID m_iid;
    std::vector<std::pair<DWORD, IUnknown*>> m_connections; // one reference each
    DWORD m_nextCookie = 1;
};

// The container side: finds and enumerates a fixed set of points.
HRESULT FindConnectionPointIn(ConnectionPoint* const* points, size_t count, REFIID riid,
                              IConnectionPoint** out) noexcept;
HRESULT EnumConnectionPointsOf(ConnectionPoint* const* points, size_t count, IEnumConnectionPoints** out) noexcept;
} // namespace dkfw
