// dkpex-loadprobe.exe PATH: loads a library with every message box caught and closed, and
// prints what happened: "loaded=1|0", then one "box: TEXT" line per message box.
#include "MessageBoxCatcher.h"

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
    {
        std::fwprintf(stderr, L"usage: dkpex-loadprobe PATH\n");
        return 2;
    }
    bool loaded = false;
    std::vector<std::wstring> boxes;
    {
        dktest::MessageBoxCatcher catcher;
        HMODULE h = ::LoadLibraryW(argv[1]);
        loaded = h != nullptr;
        boxes = catcher.Texts();
    }
    std::wprintf(L"loaded=%d\n", loaded ? 1 : 0);
    for (const auto& text : boxes)
        std::wprintf(L"box: %ls\n", text.c_str());
    std::fflush(stdout);
    return 0;
}
