// dkhost-install.exe [--uninstall] MODULE...: registers (or removes) the control classes
// and type library of each module for the current user, as the host's installer does; an
// installation registers the host's own classes (its property pages) first.
#include "DkHostTest.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    bool uninstall = false;
    int modules = 0;
    int failures = 0;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool installing =
        std::none_of(argv + 1, argv + argc, [](const wchar_t* a) { return std::wstring(a) == L"--uninstall"; });
    if (installing && argc > 1)
    {
        const HRESULT hr = dkhost_test::InstallHostClasses();
        if (FAILED(hr))
        {
            std::fwprintf(stderr, L"dkhost-install: the host's own classes: failed (0x%08lx)\n",
                          static_cast<unsigned long>(hr));
            ++failures;
        }
    }
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring arg = argv[i];
        if (arg == L"--uninstall")
        {
            uninstall = true;
            continue;
        }
        ++modules;
        // The full path at whatever length it has: the size asked first.
        const DWORD needed = ::GetFullPathNameW(arg.c_str(), 0, nullptr, nullptr);
        std::wstring full(needed, L'\0');
        const DWORD length = needed ? ::GetFullPathNameW(arg.c_str(), needed, full.data(), nullptr) : 0;
        if (length == 0 || length >= needed)
        {
            std::fwprintf(stderr, L"dkhost-install: %ls: no such path\n", arg.c_str());
            ++failures;
            continue;
        }
        full.resize(length);
        int count = 0;
        const HRESULT hr =
            uninstall ? dkhost_test::UninstallModule(full.c_str()) : dkhost_test::InstallModule(full.c_str(), &count);
        if (FAILED(hr))
        {
            std::fwprintf(stderr, L"dkhost-install: %ls: %ls (0x%08lx)\n", full.c_str(),
                          hr == E_INVALIDARG     ? L"refused: a class's progid is not a valid one; nothing written"
                          : hr == E_ACCESSDENIED ? L"refused: a class's progid or class id belongs to another "
                                                   L"module; nothing written"
                          : hr == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)
                              ? L"refused: the path is longer than the system's path limit"
                              : L"failed; nothing written",
                          static_cast<unsigned long>(hr));
            ++failures;
        }
        else if (uninstall)
            std::wprintf(L"dkhost-install: removed %ls from the user's and the machine's classes\n", full.c_str());
        else if (hr == S_FALSE)
            std::wprintf(L"dkhost-install: registered %d classes of %ls for the current user only (the machine's "
                         L"classes refused them)\n",
                         count, full.c_str());
        else
            std::wprintf(L"dkhost-install: registered %d classes of %ls for the current user and the machine\n", count,
                         full.c_str());
    }
    ::CoUninitialize();
    if (modules == 0)
    {
        std::fwprintf(stderr, L"usage: dkhost-install [--uninstall] MODULE...\n");
        return 2;
    }
    return failures ? 1 : 0;
}
