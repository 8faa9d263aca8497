// The resource library handle, the resource switch and string loading.
#include "ResourceOverride.h"

#include "ComModule.h"

namespace dkpex
{
namespace
{
// Loaded at process attach and never freed by the code library.
HMODULE g_resourceLibrary = nullptr;
} // namespace

HMODULE ResourceLibrary() noexcept
{
    return g_resourceLibrary;
}

void SetResourceLibrary(HMODULE h) noexcept
{
    g_resourceLibrary = h;
}

std::wstring LoadResString(UINT id)
{
    CTemporaryResourceOverride scope;
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
    const int n = ::LoadStringW(dkfw::ResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}
} // namespace dkpex

CTemporaryResourceOverride::CTemporaryResourceOverride() noexcept : m_saved(dkfw::ResourceHandle())
{
    if (HMODULE res = dkpex::ResourceLibrary())
        dkfw::SetResourceHandle(res);
}

CTemporaryResourceOverride::~CTemporaryResourceOverride()
{
    if (dkfw::ResourceHandle() != m_saved)
        dkfw::SetResourceHandle(m_saved);
}
