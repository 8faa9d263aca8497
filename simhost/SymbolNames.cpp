// The names a record of a symbol table (a layer, a linetype, a style, a block) may take, in
// drawings of the current format and in the older one.
#include "dkdb.h"

#include <cwchar>

namespace
{
constexpr size_t kLongest = 255;
constexpr size_t kLongestShort = 31;

bool IsControl(wchar_t c) noexcept
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool Forbidden(wchar_t c) noexcept
{
    return IsControl(c) || std::wcschr(L"<>/\\\":;?*|,=`", c) != nullptr;
}

// The older format's names are plain ASCII words.
bool ShortNameCharacter(wchar_t c) noexcept
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'$' || c == L'-' ||
           c == L'_';
}
} // namespace

Drvk::ErrorStatus dkdbValidateSymbolName(const wchar_t* name, bool extendedNames) noexcept
{
    const size_t length = name ? std::wcslen(name) : 0;
    if (length == 0 || length > (extendedNames ? kLongest : kLongestShort))
        return Drvk::eInvalidInput;
    for (size_t i = 0; i < length; ++i)
        if (extendedNames ? Forbidden(name[i]) : !ShortNameCharacter(name[i]))
            return Drvk::eInvalidInput;
    if (extendedNames && (name[0] == L' ' || name[length - 1] == L' '))
        return Drvk::eInvalidInput;
    return Drvk::eOk;
}
