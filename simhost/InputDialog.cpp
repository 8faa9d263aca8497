// The host's small input dialog.
#include "InputDialog.h"

#include <windows.h>

namespace dkhost
{
namespace
{
struct DialogState
{
    const wchar_t* title;
    std::wstring text;
    bool editable;
    const AcceptText* accept;
    bool accepted = false;
    bool done = false;
    HWND edit = nullptr;
    HWND message = nullptr;
};

constexpr int kOk = IDOK;
constexpr int kCancel = IDCANCEL;

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg)
    {
    case WM_NCCREATE:
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case WM_COMMAND:
        if (!state)
            break;
        if (LOWORD(wParam) == kOk && state->editable)
        {
            bool accepted = false;
            // Nothing is thrown through the system's frames: a failure is said in the dialog.
            try
            {
                const int n = ::GetWindowTextLengthW(state->edit);
                std::wstring text(static_cast<size_t>(n) + 1, L'\0');
                ::GetWindowTextW(state->edit, text.data(), n + 1);
                text.resize(static_cast<size_t>(n));
                std::wstring error;
                accepted = (*state->accept)(text, error);
                if (!accepted)
                    ::SetWindowTextW(state->message, error.c_str());
            }
            catch (...)
            {
                ::SetWindowTextW(state->message, L"The text could not be taken.");
            }
            if (!accepted)
                return 0;
            state->accepted = true;
            state->done = true;
            return 0;
        }
        if (LOWORD(wParam) == kCancel)
        {
            state->done = true;
            return 0;
        }
        break;
    case WM_CLOSE:
        if (state)
            state->done = true;
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool RunDialog(DialogState& state)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = DialogProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"DkHostInputDialog";
    ::RegisterClassExW(&wc);
    HWND owner = ::GetActiveWindow();
    HWND hwnd = ::CreateWindowExW(WS_EX_DLGMODALFRAME, wc.lpszClassName, state.title,
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 360,
                                  150, owner, nullptr, instance, &state);
    if (!hwnd)
        return false;
    HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id)
    {
        HWND c = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    state.edit =
        child(L"EDIT", state.text.c_str(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (state.editable ? 0 : ES_READONLY),
              10, 10, 330, 22, 100);
    state.message = child(L"STATIC", L"", 0, 10, 40, 330, 20, 101);
    child(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON | (state.editable ? 0 : WS_DISABLED), 180, 70, 75, 24, kOk);
    child(L"BUTTON", L"Cancel", WS_TABSTOP, 265, 70, 75, 24, kCancel);
    ::SetFocus(state.edit);
    if (owner)
        ::EnableWindow(owner, FALSE);
    MSG m;
    while (!state.done && ::GetMessageW(&m, nullptr, 0, 0) > 0)
    {
        if (!::IsDialogMessageW(hwnd, &m))
        {
            ::TranslateMessage(&m);
            ::DispatchMessageW(&m);
        }
    }
    if (owner)
        ::EnableWindow(owner, TRUE);
    ::DestroyWindow(hwnd);
    return state.accepted;
}
} // namespace

bool RunInputDialog(const std::wstring& title, const std::wstring& text, bool editable, const AcceptText& accept)
{
    DialogState state{title.c_str(), text, editable, &accept};
    return RunDialog(state);
}
} // namespace dkhost
