// Calls on a selected object's properties outside the change transaction: one element of a
// multi-element property (a point's x, y or z) through the host's element interface, a
// property's DISPID found by name in the object's type description, and a property put.
#pragma once

#include "DkPiHost.h"

#include "ComPtr.h"

#include <oaidl.h>

namespace dkpex
{
// The elements of a multi-element property on one selected object, through the host's
// element interface: the form that takes the object (asked first) or the plain one. holder
// is the object's dynamic-property object when it has one, else the object itself.
class ElementAccess
{
public:
    ElementAccess(IUnknown* holder, IUnknown* object) noexcept;
    bool Available() const noexcept { return m_of || m_plain; }
    HRESULT Get(DISPID dispid, DWORD cookie, VARIANT* value) const noexcept;
    HRESULT Set(DISPID dispid, DWORD cookie, const VARIANT& value) const noexcept;
    HRESULT Grouping(DISPID dispid, short& perGroup) const noexcept;
    HRESULT GroupCount(DISPID dispid, LONG& groups) const noexcept;

private:
    dkfw::ComPtr<IDkPropertyElementsOf> m_of;
    dkfw::ComPtr<IDkPropertyElements> m_plain;
    IUnknown* m_object;
};

HRESULT GetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double& value) noexcept;
HRESULT SetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double value) noexcept;
// false when the object's type description has no member of that name.
bool DispidOfName(IDispatch* object, const wchar_t* name, DISPID& dispid) noexcept;
// A member of the object found by name through the object itself (locale 2048).
bool MemberOfName(IDispatch* object, const wchar_t* name, DISPID& dispid) noexcept;
// Whether an attribute holds several lines of text (and is edited in a dialog), asked through
// the attribute's interface or, where the object does not answer it, the older one; an
// object that answers neither, or fails to tell, holds one line.
bool AttributeIsMultiline(IUnknown* object) noexcept;
// A property put of value, and a property get into value (empty before), in the locale of
// every property access.
HRESULT PutProperty(IDispatch* object, DISPID dispid, VARIANT& value) noexcept;
HRESULT GetProperty(IDispatch* object, DISPID dispid, VARIANT* value) noexcept;
} // namespace dkpex
