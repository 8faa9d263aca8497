// One element of a multi-element property (a point's x, y or z) read or written by itself
// through the host's element interface on a palette object.
#pragma once

#include <oaidl.h>

namespace dkpex
{
HRESULT GetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double& value) noexcept;
HRESULT SetElementNumber(IUnknown* object, DISPID dispid, DWORD element, double value) noexcept;
} // namespace dkpex
