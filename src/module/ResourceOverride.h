// The resource library DkPEXCtlRes.dll and the scoped switch of resource loading to it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace dkpex
{
HMODULE ResourceLibrary() noexcept;
void SetResourceLibrary(HMODULE h) noexcept;

// A string resource, loaded inside a CTemporaryResourceOverride; empty when missing.
std::wstring LoadResString(UINT id);
// A string resource used as a format: each "%s" in turn takes the next argument.
std::wstring FormatResString(UINT id, std::initializer_list<const wchar_t*> args);
} // namespace dkpex

// While alive, resources load from the resource library. Scopes nest: each puts back what
// it found.
class CTemporaryResourceOverride
{
public:
    CTemporaryResourceOverride() noexcept;
    ~CTemporaryResourceOverride();
    CTemporaryResourceOverride(const CTemporaryResourceOverride&) = delete;
    CTemporaryResourceOverride& operator=(const CTemporaryResourceOverride&) = delete;

private:
    HINSTANCE m_saved;
};
