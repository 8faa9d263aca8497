// The array values of the light properties: elements read, arrays made and compared.
#pragma once

#include "Unique.h"

#include <oleauto.h>

#include <initializer_list>

namespace dkpex
{
// Element index (counted from the lower bound) of a one-dimensional VT_ARRAY | VT_VARIANT,
// converted to vt; E_FAIL for any other value, the array access's error for a missing element.
HRESULT ArrayElement(const VARIANT& value, LONG index, VARTYPE vt, dkfw::UniqueVariant& out);

// A VT_ARRAY | VT_VARIANT of copies of the elements, from 0 on.
HRESULT MakeVariantArray(std::initializer_list<const VARIANT*> elements, dkfw::UniqueVariant& out);

// Two arrays of VARIANTs compare equal (result 0) when they have as many elements and each
// pair compares equal in the user's locale (texts as texts, numbers by value); else -1.
// E_FAIL when either is no such array.
HRESULT CompareVariantArrays(const VARIANT& a, const VARIANT& b, int& result);
} // namespace dkpex
