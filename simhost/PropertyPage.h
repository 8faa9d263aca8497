// The host's property pages: in-process classes of DkHost.dll whose dialog edits one property
// of the selected objects, and which property of which class maps to which page.
#pragma once

#include "Drawing.h"

namespace dkhost
{
// The page a property of a record maps to when no switch says otherwise (CLSID_NULL: none).
CLSID DefaultPage(const Record& r, const PropertySlot& slot) noexcept;
// A property of an object was just mapped to a page: a page of that class runs on it.
void NoteMappedProperty(LONG_PTR id, DISPID dispid, const CLSID& page) noexcept;
} // namespace dkhost
