// dkhost-install.exe [--uninstall] MODULE...: registers (or removes) the control classes
// and type library of each module for the current user, as the host's installer does.
#include "DkHostTest.h"

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    bool uninstall = false;
    int modules = 0;
    int failures = 0;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring arg = argv[i];
        if (arg == L"--uninstall")
        {
            uninstall = true;
            continue;
        }
        ++modules;
        wchar_t full[MAX_PATH];
        if (!::GetFullPathNameW(arg.c_str(), MAX_PATH, full, nullptr))
        {
            std::fwprintf(stderr, L"dkhost-install: %ls: no such path\n", arg.c_str());
            ++failures;
            continue;
        }
        int count = 0;
        const HRESULT hr = uninstall ? dkhost_test::UninstallModule(full) : dkhost_test::InstallModule(full, &count);
        if (FAILED(hr))
        {
            std::fwprintf(stderr, L"dkhost-install: %ls: failed (0x%08lx)\n", full, static_cast<unsigned long>(hr));
            ++failures;
        }
        else if (uninstall)
            std::wprintf(L"dkhost-install: removed %ls\n", full);
        else
            std::wprintf(L"dkhost-install: registered %d classes of %ls\n", count, full);
    }
    ::CoUninitialize();
    if (modules == 0)
    {
        std::fwprintf(stderr, L"usage: dkhost-install [--uninstall] MODULE...\n");
        return 2;
    }
    return failures ? 1 : 0;
}
