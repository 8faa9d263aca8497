// The unspecified pop-up of an edited row.
#include "PropNoDefaultWnd.h"

#include "DkPeCtrlBase.h"
#include "PropTextTooltip.h"
#include "ResourceOverride.h"

#include "ComModule.h"
#include "Unique.h"

CPropNoDefaultWnd::CPropNoDefaultWnd(dkfw::SubclassedWindow* edit, CDkPeCtrlBase* owner) noexcept
    : m_rect{}, m_pEdit(edit), m_pOwner(owner), m_lastPos{-1, -1}, m_nTimer(0)
{
}

CPropNoDefaultWnd::~CPropNoDefaultWnd() = default;

RECT CPropNoDefaultWnd::RowRect() const noexcept
{
    RECT r{};
    if (m_pEdit && m_pEdit->Hwnd())
        ::GetWindowRect(::GetParent(m_pEdit->Hwnd()), &r);
    return r;
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
    RECT desktop{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    m_lastPos = POINT{row.left - desktop.left, row.top - desktop.top};
    if (::IsWindowVisible(m_pEdit->Hwnd()))
    {
        ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
        if (m_nTimer)
            ::KillTimer(Hwnd(), m_nTimer);
        m_nTimer = ::SetTimer(Hwnd(), kTimerId, kTimerMs, nullptr);
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
    if (!Hwnd())
        return;
    if (m_nTimer)
        ::KillTimer(Hwnd(), m_nTimer);
    m_nTimer = 0;
    ::ShowWindow(Hwnd(), SW_HIDE);
}

void CPropNoDefaultWnd::OnTimer() noexcept
{
    const RECT row = RowRect();
    RECT desktop{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    // The palette scrolled or moved the row: the pop-up no longer belongs under it.
    if (row.left - desktop.left != m_lastPos.x || row.top - desktop.top != m_lastPos.y)
        HidePopup();
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
    HWND row = m_pEdit && m_pEdit->Hwnd() ? ::GetParent(m_pEdit->Hwnd()) : nullptr;
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

bool CPropNoDefaultWnd::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (msg)
    {
    case WM_TIMER:
        if (wParam == kTimerId)
            OnTimer();
        result = 0;
        return true;
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
