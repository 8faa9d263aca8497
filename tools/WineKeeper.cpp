// dk-keeper.exe: keeps Wine's desktop process and services running between the programs
// the project's scripts start, without a window anyone sees. It makes one window that is
// never shown (which starts the desktop process) and waits until it is ended.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"DkKeeper";
    ::RegisterClassW(&wc);
    HWND hidden = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                                    nullptr);
    if (!hidden)
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    return 0;
}
