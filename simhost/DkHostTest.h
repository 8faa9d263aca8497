// The stand-in host's own controls for tests and demos: reading the journal and injecting
// faults. The component never sees this header.
#pragma once

#include "DkHostApi.h"

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
} // namespace dkhost_test
