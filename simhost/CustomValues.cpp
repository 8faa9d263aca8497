// Special values beside a property's ordinary ones.
#include "CustomValues.h"

#include "HResult.h"

namespace dkhost
{
HRESULT ListCustomValues(const CustomValues& values, LONG* count, BSTR** names, LONG** ids) noexcept
{
    RETURN_HR_IF(E_POINTER, !count || !names || !ids);
    *count = 0;
    *names = nullptr;
    *ids = nullptr;
    RETURN_HR_IF(E_FAIL, values.empty());
    const size_t n = values.size();
    auto* nameArray = static_cast<BSTR*>(::CoTaskMemAlloc(n * sizeof(BSTR)));
    auto* idArray = static_cast<LONG*>(::CoTaskMemAlloc(n * sizeof(LONG)));
    if (!nameArray || !idArray)
    {
        ::CoTaskMemFree(nameArray);
        ::CoTaskMemFree(idArray);
        return E_OUTOFMEMORY;
    }
    for (size_t i = 0; i < n; ++i)
    {
        nameArray[i] = ::SysAllocString(values[i].first.c_str());
        idArray[i] = static_cast<LONG>(i);
    }
    *count = static_cast<LONG>(n);
    *names = nameArray;
    *ids = idArray;
    return S_OK;
}

HRESULT CustomValueAt(const CustomValues& values, LONG id, VARIANT* value, HRESULT missing) noexcept
{
    RETURN_HR_IF(E_POINTER, !value);
    ::VariantInit(value);
    RETURN_HR_IF(missing, id < 0 || static_cast<size_t>(id) >= values.size());
    value->vt = VT_I4;
    value->lVal = values[static_cast<size_t>(id)].second;
    return S_OK;
}

int FindCustomValue(const CustomValues& values, const VARIANT& value) noexcept
{
    if (value.vt != VT_I4)
        return -1;
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i].second == value.lVal)
            return static_cast<int>(i);
    return -1;
}
} // namespace dkhost
