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

std::wstring FormatResString(UINT id, std::initializer_list<const wchar_t*> args)
{
    std::wstring text = LoadResString(id);
    size_t at = 0;
    for (const wchar_t* arg : args)
    {
        at = text.find(L"%s", at);
        if (at == std::wstring::npos)
            break;
        const std::wstring value = arg ? arg : L"";
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
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
