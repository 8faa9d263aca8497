// The module lock that makes the host load the library as a host module.
#include "DrxComModule.h"

#include "dkrx.h"

LONG CDrxComModule::Lock() noexcept
{
    // COM may load the library on its own (the palette creates a control by CLSID before the
    // host loaded the module); the first lock then has the host's module manager load it too,
    // so that dkrxEntryPoint runs.
    if (m_lockCount.load() == 0 && !registeredWithHost)
    {
        wchar_t path[MAX_PATH];
        const DWORD n = ::GetModuleFileNameW(Instance(), path, MAX_PATH);
        if (n > 0 && n < MAX_PATH && dkrxLoadModule(path, false, true))
            registeredWithHost = true;
    }
    return ++m_lockCount;
}

LONG CDrxComModule::Unlock() noexcept
{
    return --m_lockCount;
}
