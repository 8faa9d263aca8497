// The host's string class, as far as the component uses it: names held and compared the
// way the host orders them.
#pragma once

#include "DkHostApi.h"

#include <string>
#include <utility>

// The host's order of names: letter case ignored, then, for names equal but for it, the
// code units compared. Negative, 0 or positive.
DKHOST_API int dkStringCompare(const wchar_t* a, const wchar_t* b) noexcept;

class DkString
{
public:
    DkString() = default;
    DkString(const wchar_t* text) : m_text(text ? text : L"") {}
    DkString(std::wstring text) noexcept : m_text(std::move(text)) {}

    const wchar_t* kwszPtr() const noexcept { return m_text.c_str(); }
    bool isEmpty() const noexcept { return m_text.empty(); }
    int length() const noexcept { return static_cast<int>(m_text.size()); }
    // Negative, 0 or positive as this string sorts before, with or after other in the host's
    // order of names.
    int compare(const DkString& other) const noexcept { return dkStringCompare(kwszPtr(), other.kwszPtr()); }
    int compare(const wchar_t* other) const noexcept { return dkStringCompare(kwszPtr(), other ? other : L""); }

private:
    std::wstring m_text;
};
