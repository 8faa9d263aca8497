// The unspecified pop-up of an edited row.
#include "PropNoDefaultWnd.h"

#include "DkPeCtrlBase.h"
#include "PropTextTooltip.h"
#include "ResourceOverride.h"

#include "ComModule.h"
#include "Unique.h"

namespace
{
// The pop-ups up on this thread, and the hook that shows them the moves of their rows' windows
// while any is up.
thread_local CPropNoDefaultWnd* t_firstUp = nullptr;
thread_local HHOOK t_rowHook = nullptr;
} // namespace

CPropNoDefaultWnd::CPropNoDefaultWnd(dkfw::SubclassedWindow* edit, CDkPeCtrlBase* owner) noexcept
    : m_rect{}, m_pEdit(edit), m_pOwner(owner), m_bWatching(false), m_pNextUp(nullptr)
{
}

CPropNoDefaultWnd::~CPropNoDefaultWnd()
{
    StopWatchingRow();
}

HWND CPropNoDefaultWnd::Row() const noexcept
{
    return m_pEdit && m_pEdit->Hwnd() ? ::GetParent(m_pEdit->Hwnd()) : nullptr;
}

RECT CPropNoDefaultWnd::RowRect() const noexcept
{
    RECT r{};
    if (HWND row = Row())
        ::GetWindowRect(row, &r);
    return r;
}

// A move or hide of the row's window or of one of its parents is a WM_WINDOWPOSCHANGED sent
// to that window, which a hook of the thread sees while the pop-up is up. The system's
// location-change and hide events would serve as well, but Wine raises neither.
void CPropNoDefaultWnd::WatchRow() noexcept
{
    if (m_bWatching)
        return;
    if (!t_rowHook)
        t_rowHook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &RowWatch, nullptr, ::GetCurrentThreadId());
    if (!t_rowHook)
        return;
    m_pNextUp = t_firstUp;
    t_firstUp = this;
    m_bWatching = true;
}

void CPropNoDefaultWnd::StopWatchingRow() noexcept
{
    if (!m_bWatching)
        return;
    for (CPropNoDefaultWnd** link = &t_firstUp; *link; link = &(*link)->m_pNextUp)
        if (*link == this)
        {
            *link = m_pNextUp;
            break;
        }
    m_pNextUp = nullptr;
    m_bWatching = false;
    if (!t_firstUp && t_rowHook)
    {
        ::UnhookWindowsHookEx(t_rowHook);
        t_rowHook = nullptr;
    }
}

bool CPropNoDefaultWnd::LeftItsRow(HWND changed) const noexcept
{
    HWND row = Row();
    if (!row)
        return true;
    if (changed != row && !::IsChild(changed, row))
        return false;
    return !::IsWindowVisible(row) || !SitsUnderRow();
}

LRESULT CALLBACK CPropNoDefaultWnd::RowWatch(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    // Hiding a pop-up takes it off the list; the list is walked again from its start.
    if (code == HC_ACTION && sent->message == WM_WINDOWPOSCHANGED)
    {
        for (CPropNoDefaultWnd* popup = t_firstUp; popup;)
        {
            if (popup->LeftItsRow(sent->hwnd))
            {
                popup->HidePopup();
                popup = t_firstUp;
            }
            else
                popup = popup->m_pNextUp;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CPropNoDefaultWnd::Create() noexcept
{
    return Hwnd() || CreateTipStyleWindow(*this, m_pEdit->Hwnd());
}

void CPropNoDefaultWnd::ShowUnder() noexcept
{
    if (!m_pEdit || !m_pEdit->Hwnd() || !m_pOwner || !Create())
        return;
    const RECT row = RowRect();
    m_rect = RECT{row.left, row.bottom, row.right, 2 * row.bottom - row.top};
    const std::wstring text = m_pOwner->GetUnspecifiedString();
    ::SetWindowTextW(Hwnd(), text.c_str());
    ::SetWindowPos(Hwnd(), HWND_TOP, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
                   SWP_NOACTIVATE);
    if (::IsWindowVisible(m_pEdit->Hwnd()))
    {
        ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
        WatchRow();
    }
}

bool CPropNoDefaultWnd::SitsUnderRow() const noexcept
{
    const RECT row = RowRect();
    const RECT wanted{row.left, row.bottom, row.right, 2 * row.bottom - row.top};
    return ::EqualRect(&wanted, &m_rect) != FALSE;
}

void CPropNoDefaultWnd::HidePopup() noexcept
{
    StopWatchingRow();
    if (Hwnd())
        ::ShowWindow(Hwnd(), SW_HIDE);
}

void CPropNoDefaultWnd::Paint() noexcept
{
    dkfw::PaintDc paint(Hwnd());
    if (!paint)
        return;
    HDC dc = paint.Get();
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    HFONT font = m_pEdit && m_pEdit->Hwnd() ? reinterpret_cast<HFONT>(::SendMessageW(m_pEdit->Hwnd(), WM_GETFONT, 0, 0))
                                            : nullptr;
    dkfw::SelectObjectScope select(dc, font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
    wchar_t text[256] = {};
    ::GetWindowTextW(Hwnd(), text, 256);
    client.left += 2;
    ::DrawTextW(dc, text, -1, &client, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// Clicking the pop-up chooses the unspecified state: the edit gets its text and commits.
void CPropNoDefaultWnd::Choose() noexcept
{
    wchar_t text[256] = {};
    ::GetWindowTextW(Hwnd(), text, 256);
    CDkPeCtrlBase* editor = m_pOwner;
    HWND row = Row();
    if (!*text || !editor || !row)
        return;
    RECT r{};
    ::GetWindowRect(row, &r);
    editor->BeginEdit(r);
    ::SetWindowTextW(m_pEdit->Hwnd(), text);
    editor->EndEdit();
    ::SetFocus(row);
    HidePopup();
}

dkfw::Lifetime* CPropNoDefaultWnd::OwnerLifetime() noexcept
{
    return m_pOwner ? m_pOwner->ControlLifetime() : nullptr;
}

bool CPropNoDefaultWnd::ProcessWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT& result)
{
    switch (msg)
    {
    case WM_DESTROY:
        StopWatchingRow();
        return false;
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_MOUSEACTIVATE:
        result = MA_NOACTIVATE;
        return true;
    case WM_LBUTTONDOWN:
        Choose();
        result = 0;
        return true;
    default:
        return false;
    }
}
