// The host's settings in the user's registry: the product's root key and its user profiles,
// one key each under "Profiles", whose default value names the current one.
#pragma once

#include <string>

namespace dkhost
{
// The current profile's name; empty when the user has none.
std::wstring CurrentProfile();
// The current profile's key under HKEY_CURRENT_USER; empty when the user has no profile.
std::wstring CurrentProfileKey();
// As the host first runs for a user: the profiles' key, with "Default" the current profile
// where none is named (a name the user has is kept), and the current profile's key.
bool EnsureCurrentProfile() noexcept;
} // namespace dkhost
