// Copies of a value that may be a password are overwritten before their memory goes back
// to the heap, so that a password typed into a row does not linger in freed memory.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <utility>

namespace dkpex
{
// Overwrites the text's whole buffer and empties it.
inline void Wipe(std::wstring& text) noexcept
{
    text.resize(text.capacity());
    ::SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

// Overwrites a string VARIANT's characters (the VARIANT keeps its BSTR, to be cleared).
inline void Wipe(VARIANT& value) noexcept
{
    if (value.vt == VT_BSTR && value.bstrVal)
        ::SecureZeroMemory(value.bstrVal, ::SysStringByteLen(value.bstrVal));
}

// Gives text a new value, the old one wiped first.
inline void Replace(std::wstring& text, std::wstring value)
{
    Wipe(text);
    text = std::move(value);
}

// Wipes a text or a VARIANT when the scope ends.
template <class T> class WipeOnExit
{
public:
    explicit WipeOnExit(T& value) noexcept : m_value(value) {}
    ~WipeOnExit() { Wipe(m_value); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    T& m_value;
};
} // namespace dkpex
