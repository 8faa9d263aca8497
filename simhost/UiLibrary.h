// What the user-interface library's combos share inside the host.
#pragma once

#include <windows.h>

namespace dkhost
{
// The entry a combo showed before its list last opened (a click, a key, CB_SHOWDROPDOWN), or
// was last set to while closed; -1 when none is known.
int SelectionBeforeDrop(HWND combo) noexcept;
} // namespace dkhost
