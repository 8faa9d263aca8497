// An entity's hyperlinks as the host hands them out.
#include "Hyperlinks.h"

#include "DkPiHost.h"

#include "ComObject.h"
#include "ComPtr.h"
#include "HResult.h"
#include "Unique.h"

namespace dkhost
{
namespace
{
HRESULT Text(const std::wstring& text, BSTR* out) noexcept
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

class HyperlinkItem : public dkfw::ComImplements<IDkHyperlink>
{
public:
    HyperlinkItem(Hyperlink item, bool unreadable) : m_item(std::move(item)), m_unreadable(unreadable) {}

    STDMETHODIMP get_URL(BSTR* address) noexcept override
    {
        if (m_unreadable)
        {
            if (address)
                *address = nullptr;
            return E_FAIL;
        }
        return Text(m_item.address, address);
    }
    STDMETHODIMP get_URLDescription(BSTR* description) noexcept override
    {
        return Text(m_item.description, description);
    }

private:
    Hyperlink m_item;
    bool m_unreadable;
};

// The collection never changes once made: a new value is a new collection.
class Hyperlinks : public dkfw::ComImplements<IDispatch, IDkHyperlinks>
{
public:
    Hyperlinks(HyperlinkList items, bool unreadable) : m_items(std::move(items)), m_unreadable(unreadable) {}

    // IDispatch: an object of the host's, with no members by name.
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !count);
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override
    {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) noexcept override
    {
        for (UINT i = 0; ids && i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

    // IDkHyperlinks
    STDMETHODIMP get_Count(long* count) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !count);
        *count = static_cast<long>(m_items.size());
        return S_OK;
    }
    STDMETHODIMP Item(long index, IDkHyperlink** item) noexcept override
    {
        RETURN_HR_IF(E_POINTER, !item);
        *item = nullptr;
        RETURN_HR_IF(E_INVALIDARG, index < 0 || static_cast<size_t>(index) >= m_items.size());
        dkfw::ComObject<HyperlinkItem>* made = nullptr;
        RETURN_IF_FAILED(
            dkfw::ComObject<HyperlinkItem>::Create(&made, m_items[static_cast<size_t>(index)], m_unreadable));
        *item = made;
        return S_OK;
    }

private:
    HyperlinkList m_items;
    bool m_unreadable;
};

std::vector<std::wstring> Split(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    if (text.empty())
        return parts;
    size_t start = 0;
    for (;;)
    {
        const size_t bar = text.find(L'|', start);
        parts.push_back(text.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start));
        if (bar == std::wstring::npos)
            return parts;
        start = bar + 1;
    }
}
} // namespace

HRESULT NewHyperlinks(const HyperlinkList& items, bool unreadable, IDispatch** out) noexcept
try
{
    RETURN_HR_IF(E_POINTER, !out);
    *out = nullptr;
    dkfw::ComObject<Hyperlinks>* made = nullptr;
    RETURN_IF_FAILED(dkfw::ComObject<Hyperlinks>::Create(&made, items, unreadable));
    *out = static_cast<IDispatch*>(made);
    return S_OK;
}
DK_CATCH_RETURN()

HyperlinkList ParseHyperlinks(const std::wstring& addresses, const std::wstring& descriptions)
{
    HyperlinkList items;
    const std::vector<std::wstring> said = Split(descriptions);
    for (const std::wstring& address : Split(addresses))
    {
        const size_t i = items.size();
        items.push_back(Hyperlink{address, i < said.size() ? said[i] : std::wstring()});
    }
    return items;
}

bool HyperlinksOf(const VARIANT& value, HyperlinkList& items)
{
    items.clear();
    if (value.vt == VT_BSTR)
    {
        items = ParseHyperlinks(value.bstrVal ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal)) : L"");
        return true;
    }
    if ((value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) || !value.punkVal)
        return false;
    dkfw::ComPtr<IDkHyperlinks> list;
    long count = 0;
    if (FAILED(value.punkVal->QueryInterface(IID_IDkHyperlinks, list.PutVoid())) || FAILED(list->get_Count(&count)))
        return false;
    for (long i = 0; i < count; ++i)
    {
        dkfw::ComPtr<IDkHyperlink> item;
        dkfw::UniqueBstr address, description;
        if (FAILED(list->Item(i, item.Put())) || !item || FAILED(item->get_URL(address.Put())))
            return false;
        item->get_URLDescription(description.Put());
        items.push_back(Hyperlink{std::wstring(address.View()), std::wstring(description.View())});
    }
    return true;
}

bool FirstAddress(const VARIANT& value, std::wstring& address)
{
    address.clear();
    if ((value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) || !value.punkVal)
        return false;
    dkfw::ComPtr<IDkHyperlinks> list;
    long count = 0;
    if (FAILED(value.punkVal->QueryInterface(IID_IDkHyperlinks, list.PutVoid())) || FAILED(list->get_Count(&count)))
        return false;
    if (count == 0)
        return true;
    dkfw::ComPtr<IDkHyperlink> item;
    dkfw::UniqueBstr text;
    if (FAILED(list->Item(0, item.Put())) || !item || FAILED(item->get_URL(text.Put())))
        return false;
    address = text.View();
    return true;
}
} // namespace dkhost
