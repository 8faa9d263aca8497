// Calls on a selected object's properties outside the change transaction: one element of a
// multi-element property (a point's x, y or z) through the host's element interface, a
// property's DISPID found by name in the object's type description, and a property put.
#pragma once

#include <oaidl.h>

namespace dkpex
{
HRESULT GetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double& value) noexcept;
HRESULT SetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double value) noexcept;
// false when the object's type description has no member of that name.
bool DispidOfName(IDispatch* object, const wchar_t* name, DISPID& dispid) noexcept;
// A property put of value, in the locale of every property access.
HRESULT PutProperty(IDispatch* object, DISPID dispid, VARIANT& value) noexcept;
} // namespace dkpex
