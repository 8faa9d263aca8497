// The product's registry root and the user's profiles.
#include "Profiles.h"

#include "DkHostTest.h"
#include "dked.h"

#include "Unique.h"

namespace dkhost
{
namespace
{
constexpr wchar_t kOwnRoot[] = L"Software\\DkHost\\R1";
constexpr wchar_t kDefaultProfile[] = L"Default";

std::wstring& Root()
{
    static std::wstring root = kOwnRoot;
    return root;
}

std::wstring ProfilesKey()
{
    return Root() + L"\\Profiles";
}

// A key's default text value (empty when it has none or the key is missing).
std::wstring DefaultText(const std::wstring& key)
{
    wchar_t text[256] = {};
    DWORD size = sizeof(text) - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"";
    return text;
}
} // namespace

std::wstring CurrentProfile()
{
    return DefaultText(ProfilesKey());
}

std::wstring CurrentProfileKey()
{
    const std::wstring name = CurrentProfile();
    return name.empty() ? std::wstring() : ProfilesKey() + L"\\" + name;
}

bool EnsureCurrentProfile() noexcept
try
{
    dkfw::UniqueHkey profiles;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, ProfilesKey().c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          profiles.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name = CurrentProfile();
    if (name.empty())
    {
        name = kDefaultProfile;
        const DWORD bytes = static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t));
        if (::RegSetValueExW(profiles.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()), bytes) !=
            ERROR_SUCCESS)
            return false;
    }
    dkfw::UniqueHkey profile;
    return ::RegCreateKeyExW(profiles.Get(), name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, profile.Put(), nullptr) ==
           ERROR_SUCCESS;
}
catch (...)
{
    return false;
}
} // namespace dkhost

const wchar_t* dkedGetProductRegistryRoot() noexcept
{
    return dkhost::Root().c_str();
}

void dkhost_test::SetProductRegistryRoot(const wchar_t* root) noexcept
try
{
    dkhost::Root() = root ? root : dkhost::kOwnRoot;
}
catch (...)
{
}
