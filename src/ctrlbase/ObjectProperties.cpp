// Element access through the host's element interface; properties by name and by DISPID.
#include "ObjectProperties.h"

#include "DkPeCtrlBase.h"
#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

namespace dkpex
{
ElementAccess::ElementAccess(IUnknown* holder, IUnknown* object) noexcept : m_object(object)
{
    if (!holder)
        return;
    if (FAILED(holder->QueryInterface(IID_IDkPropertyElementsOf, m_of.PutVoid())))
        holder->QueryInterface(IID_IDkPropertyElements, m_plain.PutVoid());
}

HRESULT ElementAccess::Get(DISPID dispid, DWORD cookie, VARIANT* value) const noexcept
{
    if (m_of)
        return m_of->GetElementValue(dispid, m_object, cookie, value);
    return m_plain ? m_plain->GetElementValue(dispid, cookie, value) : E_NOINTERFACE;
}

HRESULT ElementAccess::Set(DISPID dispid, DWORD cookie, const VARIANT& value) const noexcept
{
    if (m_of)
        return m_of->SetElementValue(dispid, m_object, cookie, value);
    return m_plain ? m_plain->SetElementValue(dispid, cookie, value) : E_NOINTERFACE;
}

HRESULT ElementAccess::Grouping(DISPID dispid, short& perGroup) const noexcept
{
    if (m_of)
        return m_of->GetElementGrouping(dispid, m_object, &perGroup);
    return m_plain ? m_plain->GetElementGrouping(dispid, &perGroup) : E_NOINTERFACE;
}

HRESULT ElementAccess::GroupCount(DISPID dispid, LONG& groups) const noexcept
{
    if (m_of)
        return m_of->GetGroupCount(dispid, m_object, &groups);
    return m_plain ? m_plain->GetGroupCount(dispid, &groups) : E_NOINTERFACE;
}

bool MemberOfName(IDispatch* object, const wchar_t* name, DISPID& dispid) noexcept
{
    constexpr LCID kMemberLocale = 2048;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (!object || FAILED(object->GetIDsOfNames(IID_NULL, names, 1, kMemberLocale, &id)) || id == DISPID_UNKNOWN)
        return false;
    dispid = id;
    return true;
}

HRESULT GetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double& value) noexcept
{
    dkfw::ComPtr<IDkPropertyElements> elements;
    if (!object || FAILED(object->QueryInterface(IID_IDkPropertyElements, elements.PutVoid())))
        return E_NOINTERFACE;
    dkfw::UniqueVariant v;
    HRESULT hr = elements->GetElementValue(dispid, element, v.Put());
    if (FAILED(hr))
        return hr;
    dkfw::UniqueVariant number;
    hr = ::VariantChangeType(number.Put(), v.Addr(), 0, VT_R8);
    if (SUCCEEDED(hr))
        value = number.Get().dblVal;
    return hr;
}

HRESULT SetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double value) noexcept
{
    dkfw::ComPtr<IDkPropertyElements> elements;
    if (!object || FAILED(object->QueryInterface(IID_IDkPropertyElements, elements.PutVoid())))
        return E_NOINTERFACE;
    VARIANT v;
    v.vt = VT_R8;
    v.dblVal = value;
    return elements->SetElementValue(dispid, element, v);
}

bool DispidOfName(IDispatch* object, const wchar_t* name, DISPID& dispid) noexcept
{
    dkfw::ComPtr<ITypeInfo> info;
    if (!object || FAILED(object->GetTypeInfo(0, CDkPeCtrlBase::kPropertyLocale, info.Put())) || !info)
        return false;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    MEMBERID id = MEMBERID_NIL;
    if (FAILED(info->GetIDsOfNames(names, 1, &id)))
        return false;
    dispid = id;
    return true;
}

HRESULT PutProperty(IDispatch* object, DISPID dispid, VARIANT& value) noexcept
{
    if (!object)
        return E_POINTER;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return object->Invoke(dispid, IID_NULL, CDkPeCtrlBase::kPropertyLocale, DISPATCH_PROPERTYPUT, &params, nullptr,
                          nullptr, nullptr);
}

HRESULT GetProperty(IDispatch* object, DISPID dispid, VARIANT* value) noexcept
{
    if (!object || !value)
        return E_POINTER;
    DISPPARAMS none{};
    return object->Invoke(dispid, IID_NULL, CDkPeCtrlBase::kPropertyLocale, DISPATCH_PROPERTYGET, &none, value, nullptr,
                          nullptr);
}

namespace
{
template <class Kind> bool AsksMultiline(IUnknown* object, REFIID iid, bool& multiline) noexcept
{
    dkfw::ComPtr<Kind> kind;
    if (FAILED(object->QueryInterface(iid, kind.PutVoid())))
        return false;
    VARIANT_BOOL flag = VARIANT_FALSE;
    multiline = SUCCEEDED(kind->get_MultilineFlag(&flag)) && flag == VARIANT_TRUE;
    return true;
}
} // namespace

bool AttributeIsMultiline(IUnknown* object) noexcept
{
    bool multiline = false;
    if (object && !AsksMultiline<IDkAttributeKind>(object, IID_IDkAttributeKind, multiline))
        AsksMultiline<IDkAttributeDefinitionKind>(object, IID_IDkAttributeDefinitionKind, multiline);
    return multiline;
}
} // namespace dkpex
