// The stand-in host's own controls for tests and demos: reading the journal and injecting
// faults. The component never sees this header.
#pragma once

#include "DkHostApi.h"

#include <windows.h>

namespace dkhost_test
{
// The journal, oldest entry first. Entry pointers stay valid until the journal is cleared.
DKHOST_API int JournalSize() noexcept;
DKHOST_API const wchar_t* JournalEntry(int index) noexcept;
DKHOST_API void ClearJournal() noexcept;

// Makes dkrxLoadModule refuse every module (as a host does for a module it cannot load).
DKHOST_API void RefuseModuleLoads(bool refuse) noexcept;
// Takes a service out of the system registry, or puts the host's own back.
DKHOST_API void SetServiceRegistered(const wchar_t* name, bool registered) noexcept;
// Registers under name an object that is not the service the name stands for.
DKHOST_API void RegisterForeignService(const wchar_t* name) noexcept;

// The host installation's registration of control classes, per user. A module with a type
// library registers it and every class it describes (its progid is the class's custom data
// under DK_PROGID_GUID); a single class can be registered on its own.
DKHOST_API HRESULT RegisterControlClass(const CLSID& clsid, const wchar_t* progId, const wchar_t* userType,
                                        const wchar_t* serverPath, const GUID* libid) noexcept;
DKHOST_API HRESULT UnregisterControlClass(const CLSID& clsid, const wchar_t* progId) noexcept;
// Returns the number of classes registered through count.
DKHOST_API HRESULT InstallModule(const wchar_t* modulePath, int* count) noexcept;
DKHOST_API HRESULT UninstallModule(const wchar_t* modulePath) noexcept;
} // namespace dkhost_test
