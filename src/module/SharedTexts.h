// The texts every control shares: the varies text and the default unspecified text.
#pragma once

#include <string>

namespace dkpex
{
// Loads both texts from the resource library the first time, and again if either is empty.
void EnsureSharedTexts();
const std::wstring& VariesText() noexcept;
const std::wstring& UnspecifiedText() noexcept;
} // namespace dkpex
