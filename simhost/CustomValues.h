// Special values a property offers beside its ordinary ones, as the host lists and finds
// them for palette objects and dynamic properties alike: a name and a value each, the
// identifier of one its place in the list.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <utility>
#include <vector>

namespace dkhost
{
using CustomValues = std::vector<std::pair<std::wstring, LONG>>;

// The names (caller-freed BSTRs) and identifiers, in caller-freed arrays; E_FAIL for none.
HRESULT ListCustomValues(const CustomValues& values, LONG* count, BSTR** names, LONG** ids) noexcept;
// The value of identifier id (E_INVALIDARG for none), or of the one held (E_FAIL for none).
HRESULT CustomValueAt(const CustomValues& values, LONG id, VARIANT* value, HRESULT missing) noexcept;
// The place of a value in the list, -1 when it is none of them.
int FindCustomValue(const CustomValues& values, const VARIANT& value) noexcept;
} // namespace dkhost
