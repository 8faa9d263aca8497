// Element access through the host's element interface; properties by name and by DISPID.
#include "ObjectProperties.h"

#include "DkPeCtrlBase.h"
#include "DkPiHost.h"

#include "ComPtr.h"
#include "Unique.h"

namespace dkpex
{
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
} // namespace dkpex
