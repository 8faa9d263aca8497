// Element access through the host's element interface.
#include "ElementValues.h"

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
} // namespace dkpex
