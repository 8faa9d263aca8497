// What the host's own modules, built beside DkHost.dll and loaded on demand through its module
// loader, call back into the host for: their services in the system registry and the journal.
#pragma once

#include "DkHostApi.h"

class DkRxObject;

namespace dkhost_modules
{
// Registers service under name in the system registry for the loaded module appId (the id its
// entry point was given); false when appId is no loaded module or another module holds the name.
DKHOST_API bool RegisterService(void* appId, const wchar_t* name, DkRxObject* service) noexcept;
// Takes the module's service out of the registry (nothing when the name is not the module's).
DKHOST_API void UnregisterService(void* appId, const wchar_t* name) noexcept;
DKHOST_API void Journal(const wchar_t* entry) noexcept;
// How the scene module misbehaves (dkhost_test::SetSceneModuleFault); the module asks at load.
DKHOST_API int SceneModuleFault() noexcept;
} // namespace dkhost_modules
