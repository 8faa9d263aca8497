// The host's journal: every observable host effect, in order.
#pragma once

#include <string>

namespace dkhost
{
void JournalAdd(std::wstring entry) noexcept;
std::wstring HexPointer(const void* p);
std::wstring BaseName(const wchar_t* path);
} // namespace dkhost
