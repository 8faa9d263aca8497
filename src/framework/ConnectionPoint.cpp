// Connection points and the two enumerators they hand out.
#include "ConnectionPoint.h"

#include "ComObject.h"
#include "HResult.h"

namespace dkfw
{
namespace
{
struct ConnectDataPolicy
{
    static void Copy(CONNECTDATA& to, const CONNECTDATA& from) noexcept
    {
        to = from;
        if (to.pUnk)
            to.pUnk->AddRef();
    }
    static void Destroy(CONNECTDATA& item) noexcept
    {
        if (item.pUnk)
            item.pUnk->Release();
    }
};

struct InterfacePolicy
{
    template <class I> static void Copy(I*& to, I* const& from) noexcept
    {
        to = from;
        if (to)
            to->AddRef();
    }
    template <class I> static void Destroy(I*& item) noexcept
    {
        if (item)
            item->Release();
    }
};

// A snapshot enumerator; each item holds its own reference.
template <class IEnum, class Item, class Policy> class Enumerator : public ComImplements<IEnum>
{
public:
    explicit Enumerator(const std::vector<Item>& items, size_t pos = 0) : m_pos(pos)
    {
        m_items.reserve(items.size());
        for (const Item& i : items)
        {
            Item copy{};
            Policy::Copy(copy, i);
            m_items.push_back(copy);
        }
    }
    ~Enumerator() override
    {
        for (Item& i : m_items)
            Policy::Destroy(i);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !out || (!fetched && count != 1));
        ULONG n = 0;
        for (; n < count && m_pos < m_items.size(); ++n, ++m_pos)
            Policy::Copy(out[n], m_items[m_pos]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) noexcept override
    {
        const size_t left = m_items.size() - m_pos;
        m_pos += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() noexcept override
    {
        m_pos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** out) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !out);
        return Make(m_items, m_pos, out);
    }

    static HRESULT Make(const std::vector<Item>& items, size_t pos, IEnum** out) noexcept
    try
    {
        *out = nullptr;
        ComObject<Enumerator>* e = nullptr;
        RETURN_IF_FAILED(ComObject<Enumerator>::Create(&e, items, pos));
        *out = e;
        return S_OK;
    }
    DK_CATCH_RETURN()

private:
    std::vector<Item> m_items;
    size_t m_pos;
};

using ConnectionsEnum = Enumerator<IEnumConnections, CONNECTDATA, ConnectDataPolicy>;
using PointsEnum = Enumerator<IEnumConnectionPoints, IConnectionPoint*, InterfacePolicy>;
} // namespace

std::vector<ComPtr<IUnknown>> ConnectionPoint::Sinks() const
{
    std::vector<ComPtr<IUnknown>> sinks;
    sinks.reserve(m_connections.size());
    for (const auto& [cookie, sink] : m_connections)
        sinks.emplace_back(sink);
    return sinks;
}

void ConnectionPoint::UnadviseAll() noexcept
{
    auto connections = std::move(m_connections);
    m_connections.clear();
    for (auto& [cookie, sink] : connections)
        sink->Release();
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** ppv) noexcept
{
    RETURN_HR_IF(E_POINTER, !ppv);
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint)
        return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) noexcept
{
    RETURN_HR_IF(E_POINTER, !iid);
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = m_owner;
    m_owner->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !sink || !cookie);
    *cookie = 0;
    IUnknown* typed = nullptr;
    RETURN_HR_IF(CONNECT_E_CANNOTCONNECT, FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&typed))));
    try
    {
        m_connections.emplace_back(m_nextCookie, typed);
    }
    catch (...)
    {
        typed->Release();
        throw;
    }
    *cookie = m_nextCookie++;
    return S_OK;
}
DK_CATCH_RETURN()

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) noexcept
{
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it)
    {
        if (it->first == cookie)
        {
            IUnknown* sink = it->second;
            m_connections.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !out);
    std::vector<CONNECTDATA> items;
    for (const auto& [cookie, sink] : m_connections)
        items.push_back(CONNECTDATA{sink, cookie});
    return ConnectionsEnum::Make(items, 0, out);
}
DK_CATCH_RETURN()

HRESULT FindConnectionPointIn(ConnectionPoint* const* points, size_t count, REFIID riid,
                              IConnectionPoint** out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    for (size_t i = 0; i < count; ++i)
    {
        if (points[i]->Iid() == riid)
        {
            *out = points[i];
            (*out)->AddRef();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT EnumConnectionPointsOf(ConnectionPoint* const* points, size_t count, IEnumConnectionPoints** out) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !out);
    std::vector<IConnectionPoint*> items(points, points + count);
    return PointsEnum::Make(items, 0, out);
}
DK_CATCH_RETURN()
} // namespace dkfw
