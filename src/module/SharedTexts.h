// The texts every control shares: the varies text, the default unspecified text, the
// drawing's reserved names and the label of a by-layer value overridden in the viewport.
#pragma once

#include <string>

namespace dkpex
{
// Loads both texts from the resource library the first time, and again if either is empty.
void EnsureSharedTexts();
const std::wstring& VariesText() noexcept;
const std::wstring& UnspecifiedText() noexcept;
// The host's word for ByLayer (0) or ByBlock (1), in the user's language.
std::wstring ReservedName(int which);
// "ByLayer (VP)" or as the resources word it, with the host's word for ByLayer now.
const std::wstring& ViewportOverrideLabel();
} // namespace dkpex
