// The text tip window.
#include "PropTextTooltip.h"

#include "ComModule.h"
#include "ResourceOverride.h"

#include "Drawing.h"
#include "Unique.h"

#include <windowsx.h>

#include <cwchar>

namespace
{
const wchar_t kTipClass[] = L"DkPeTextTip";
} // namespace

CPropTextTooltip::CPropTextTooltip() noexcept
    : m_hotRect{}, m_nTimer(0), m_bTracking(false), m_hOwner(nullptr), m_bShown(FALSE), m_bPlaced(FALSE),
      m_bPaintPending(FALSE)
{
}

CPropTextTooltip::~CPropTextTooltip()
{
    if (Exists())
        StopWatching();
}

bool CreateTipStyleWindow(dkfw::WindowBase& window, HWND owner) noexcept
{
    CTemporaryResourceOverride resources;
    HINSTANCE instance = dkfw::CurrentModule() ? dkfw::CurrentModule()->Instance() : ::GetModuleHandleW(nullptr);
    const RECT r{0, 0, 1, 1};
    return window.CreateWindowOf(kTipClass, CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS | CS_BYTEALIGNCLIENT,
                                 WS_EX_TOOLWINDOW, WS_POPUP, r, owner, instance,
                                 static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH))) != nullptr;
}

bool CPropTextTooltip::IsTipWindow(HWND hwnd) noexcept
{
    wchar_t name[32] = {};
    return hwnd && ::GetWindowLongPtrW(hwnd, GWLP_USERDATA) == kTipId && ::GetClassNameW(hwnd, name, 32) &&
           std::wcscmp(name, kTipClass) == 0;
}

bool CPropTextTooltip::Create(HWND owner) noexcept
{
    if (Exists())
        return true;
    if (!CreateTipStyleWindow(*this, owner))
        return false;
    ::SetWindowLongPtrW(Hwnd(), GWLP_USERDATA, kTipId);
    m_hOwner = owner;
    return true;
}

long CPropTextTooltip::Place(HWND control, RECT rect) noexcept
{
    if (!Exists() || !control)
        return E_FAIL;
    ::MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    const RECT wanted = rect;
    RECT desktop{};
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    if (rect.right - rect.left > desktop.right - desktop.left)
    {
        rect.left = desktop.left;
        rect.right = desktop.right;
    }
    if (rect.bottom - rect.top > desktop.bottom - desktop.top)
    {
        rect.top = desktop.top;
        rect.bottom = desktop.bottom;
    }
    if (rect.top < desktop.top)
        ::OffsetRect(&rect, 0, desktop.top - rect.top);
    if (rect.bottom > desktop.bottom)
        ::OffsetRect(&rect, 0, desktop.bottom - rect.bottom);
    // The hot rectangle is where the row text is, in the tip's client coordinates.
    m_hotRect = wanted;
    ::OffsetRect(&m_hotRect, -rect.left, -rect.top);
    m_bPlaced = TRUE;
    m_bPaintPending = TRUE;
    ::SetWindowPos(Hwnd(), HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOACTIVATE);
    // A tip already up, placed anew, shows the text it is placed for.
    ::InvalidateRect(Hwnd(), nullptr, FALSE);
    if (!m_nTimer && !::IsWindowVisible(Hwnd()))
    {
        m_nTimer = ::SetTimer(Hwnd(), kTimerId, kDelayMs, nullptr);
        m_bShown = TRUE;
    }
    return S_OK;
}

void CPropTextTooltip::Hide() noexcept
{
    if (!Exists())
        return;
    ::ShowWindow(Hwnd(), SW_HIDE);
    StopWatching();
    m_bShown = FALSE;
}

void CPropTextTooltip::StopWatching() noexcept
{
    if (m_nTimer)
        ::KillTimer(Hwnd(), m_nTimer);
    m_nTimer = 0;
    if (m_bTracking)
    {
        TRACKMOUSEEVENT cancel{sizeof(cancel), TME_CANCEL | TME_LEAVE | TME_HOVER, Hwnd(), 0};
        ::TrackMouseEvent(&cancel);
    }
    m_bTracking = false;
}

// The delay is over: the tip shows if the cursor stayed, and nothing wakes it after that.
void CPropTextTooltip::OnDelayOver() noexcept
{
    ::KillTimer(Hwnd(), m_nTimer);
    m_nTimer = 0;
    POINT pt{};
    ::GetCursorPos(&pt);
    ::ScreenToClient(Hwnd(), &pt);
    if (::PtInRect(&m_hotRect, pt))
        ShowTip();
    else
        Hide();
}

void CPropTextTooltip::ShowTip() noexcept
{
    if (!::IsWindowVisible(Hwnd()))
    {
        m_bPaintPending = TRUE;
        ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
    }
    m_bShown = TRUE;
    // The tip lies under the cursor: the system says when the cursor leaves it, and the tip's
    // own mouse moves say when it leaves the hot rectangle (smaller where the desktop's edge
    // pushed the tip). Windows reports the leave at once; Wine looks for it every hover time
    // of the tracking, which is asked to be shorter than the tip's 300 ms (the hover report
    // that comes with it, once, is not used).
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE | TME_HOVER, Hwnd(), kLeaveCheckMs};
    m_bTracking = ::TrackMouseEvent(&track) != FALSE;
}

// The whole tip is painted each time: the gradient, the owner's content over it, the frame.
void CPropTextTooltip::Paint() noexcept
{
    dkfw::PaintDc paint(Hwnd());
    if (!paint)
        return;
    HDC dc = paint.Get();
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    dkfw::FillVerticalGradient(dc, client, RGB(255, 255, 255), RGB(218, 218, 218));
    if (m_hOwner && ::IsWindow(m_hOwner))
    {
        m_bPaintPending = FALSE;
        ::SendMessageW(m_hOwner, kDrawMessage, kTipId, reinterpret_cast<LPARAM>(Hwnd()));
    }
    dkfw::UniqueHpen pen(::CreatePen(PS_SOLID, 1, RGB(134, 134, 134)));
    dkfw::SelectObjectScope selectPen(dc, pen.Get());
    dkfw::SelectObjectScope selectBrush(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, client.left, client.top, client.right, client.bottom, 1, 1);
}

void CPropTextTooltip::ForwardClick(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    Hide();
    if (!m_hOwner || !::IsWindow(m_hOwner))
        return;
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::MapWindowPoints(Hwnd(), m_hOwner, &pt, 1);
    ::PostMessageW(m_hOwner, msg, wParam, MAKELPARAM(pt.x, pt.y));
    ::SetFocus(m_hOwner);
}

bool CPropTextTooltip::ProcessWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg)
    {
    case WM_TIMER:
        if (wParam == kTimerId && m_nTimer)
            OnDelayOver();
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        if (POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; !::PtInRect(&m_hotRect, pt))
            Hide();
        result = 0;
        return true;
    case WM_MOUSEHOVER:
        result = 0;
        return true;
    case WM_MOUSELEAVE:
        m_bTracking = false;
        Hide();
        result = 0;
        return true;
    case WM_DESTROY:
        StopWatching();
        return false;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_MOUSEACTIVATE:
        result = MA_NOACTIVATE;
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ForwardClick(msg, wParam, lParam);
        result = 0;
        return true;
    default:
        return false;
    }
}
