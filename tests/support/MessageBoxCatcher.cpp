// A thread-local WH_CBT hook: on the activation of a dialog-class window it reads the
// message text (static control 0xFFFF) and posts the answer.
#include "MessageBoxCatcher.h"

namespace dktest
{
namespace
{
thread_local MessageBoxCatcher* t_current = nullptr;

std::wstring WindowText(HWND h)
{
    wchar_t buf[1024] = {};
    ::GetWindowTextW(h, buf, 1024);
    return buf;
}

// Only buttons and texts: a box to answer, not a dialog to fill.
bool IsBox(HWND window)
{
    bool plain = true;
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM context) -> BOOL
        {
            wchar_t cls[64] = {};
            ::GetClassNameW(child, cls, 64);
            if (::lstrcmpiW(cls, L"Button") == 0 || ::lstrcmpiW(cls, L"Static") == 0)
                return TRUE;
            *reinterpret_cast<bool*>(context) = false;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&plain));
    return plain;
}
} // namespace

MessageBoxCatcher::MessageBoxCatcher(int answer, bool boxesOnly) : m_answer(answer), m_boxesOnly(boxesOnly)
{
    m_previous = t_current;
    t_current = this;
    m_hook = ::SetWindowsHookExW(WH_CBT, &MessageBoxCatcher::Hook, nullptr, ::GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
    t_current = m_previous;
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxCatcher* self = t_current;
    if (code == HCBT_ACTIVATE && self)
    {
        HWND h = reinterpret_cast<HWND>(wParam);
        wchar_t cls[64] = {};
        ::GetClassNameW(h, cls, 64);
        if (std::wstring(cls) == L"#32770" && h != self->m_lastBox && (!self->m_boxesOnly || IsBox(h)))
        {
            self->m_lastBox = h;
            wchar_t text[2048] = {};
            ::GetDlgItemTextW(h, 0xFFFF, text, 2048);
            self->m_texts.emplace_back(text);
            self->m_captions.push_back(WindowText(h));
            if (self->m_whileShown)
                self->m_whileShown();
            ::PostMessageW(h, WM_COMMAND, self->m_answer, 0);
        }
    }
    return ::CallNextHookEx(self ? self->m_hook : nullptr, code, wParam, lParam);
}
} // namespace dktest
