// The light properties' array values.
#include "LightValues.h"

#include "HResult.h"

namespace dkpex
{
namespace
{
// The array of a one-dimensional VT_ARRAY | VT_VARIANT, its lower bound and element count.
HRESULT VariantArray(const VARIANT& value, SAFEARRAY*& array, LONG& lower, LONG& count)
{
    if (value.vt != (VT_ARRAY | VT_VARIANT) || !value.parray || ::SafeArrayGetDim(value.parray) != 1)
        return E_FAIL;
    LONG upper = 0;
    RETURN_IF_FAILED(::SafeArrayGetLBound(value.parray, 1, &lower));
    RETURN_IF_FAILED(::SafeArrayGetUBound(value.parray, 1, &upper));
    array = value.parray;
    count = upper - lower + 1;
    return S_OK;
}
} // namespace

HRESULT ArrayElement(const VARIANT& value, LONG index, VARTYPE vt, dkfw::UniqueVariant& out)
{
    SAFEARRAY* array = nullptr;
    LONG lower = 0;
    LONG count = 0;
    RETURN_IF_FAILED(VariantArray(value, array, lower, count));
    if (index < 0 || index >= count)
        return DISP_E_BADINDEX;
    dkfw::UniqueVariant element;
    LONG at = lower + index;
    RETURN_IF_FAILED(::SafeArrayGetElement(array, &at, element.Put()));
    return ::VariantChangeType(out.Put(), element.Addr(), 0, vt);
}

HRESULT MakeVariantArray(std::initializer_list<const VARIANT*> elements, dkfw::UniqueVariant& out)
{
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size()));
    if (!array)
        return E_OUTOFMEMORY;
    LONG at = 0;
    for (const VARIANT* element : elements)
    {
        const HRESULT hr = ::SafeArrayPutElement(array, &at, const_cast<VARIANT*>(element));
        if (FAILED(hr))
        {
            ::SafeArrayDestroy(array);
            return hr;
        }
        ++at;
    }
    VARIANT* v = out.Put();
    v->vt = VT_ARRAY | VT_VARIANT;
    v->parray = array;
    return S_OK;
}

HRESULT CompareVariantArrays(const VARIANT& a, const VARIANT& b, int& result)
{
    SAFEARRAY* arrayA = nullptr;
    SAFEARRAY* arrayB = nullptr;
    LONG lowerA = 0;
    LONG lowerB = 0;
    LONG countA = 0;
    LONG countB = 0;
    RETURN_IF_FAILED(VariantArray(a, arrayA, lowerA, countA));
    RETURN_IF_FAILED(VariantArray(b, arrayB, lowerB, countB));
    result = -1;
    if (countA != countB)
        return S_OK;
    for (LONG i = 0; i < countA; ++i)
    {
        dkfw::UniqueVariant x;
        dkfw::UniqueVariant y;
        LONG atA = lowerA + i;
        LONG atB = lowerB + i;
        RETURN_IF_FAILED(::SafeArrayGetElement(arrayA, &atA, x.Put()));
        RETURN_IF_FAILED(::SafeArrayGetElement(arrayB, &atB, y.Put()));
        const HRESULT compared = x.Type() == VT_BSTR && y.Type() == VT_BSTR
                                     ? ::VarBstrCmp(x.Get().bstrVal, y.Get().bstrVal, LOCALE_USER_DEFAULT, 0)
                                     : ::VarCmp(x.Addr(), y.Addr(), LOCALE_USER_DEFAULT, 0);
        if (compared != VARCMP_EQ)
            return S_OK;
    }
    result = 0;
    return S_OK;
}
} // namespace dkpex
