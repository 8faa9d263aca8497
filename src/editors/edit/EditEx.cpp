// The edit box of the edit editors: commit and cancel keys, focus, the read-only edit's
// clicks for the palette, its own text tip and the unspecified pop-up.
#include "EditEx.h"

#include "DkPeCtrlBase.h"
#include "WipedText.h"

#include "Drawing.h"
#include "Unique.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace
{
constexpr UINT kTipFormat = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX | DT_END_ELLIPSIS;
} // namespace

CEditEx::CEditEx(CDkPeCtrlBase* owner) noexcept : m_pOwner(owner) {}

CEditEx::~CEditEx()
{
    m_pNoDefaultWnd.reset();
    DestroyNow();
}

bool CEditEx::Create(DWORD style, const RECT& rect, HWND parent, UINT id) noexcept
{
    HWND hwnd = ::CreateWindowExW(0, L"EDIT", L"", style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return false;
    if (!Attach(hwnd))
    {
        ::DestroyWindow(hwnd);
        return false;
    }
    ::SendMessageW(hwnd, EM_SETLIMITTEXT, kMaxTextLength, 0);
    return true;
}

std::wstring CEditEx::Text() const
{
    const bool outer = !std::exchange(m_bOwnRead, true);
    const dkfw::ScopeExit done([this, outer] { m_bOwnRead = !outer; });
    const int n = ::GetWindowTextLengthW(Hwnd());
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(Hwnd(), text.data(), n + 1)));
    return text;
}

void CEditEx::SetText(const std::wstring& text) noexcept
try
{
    // A refresh that reads what the edit already shows leaves it alone (setting a text
    // re-lays the edit out and tells its parent). The edit's own read: a password edit
    // answers others with masks.
    if (::GetWindowTextLengthW(Hwnd()) == static_cast<int>(text.size()))
    {
        std::wstring now = Text();
        const bool same = now == text;
        dkpex::Wipe(now);
        if (same)
            return;
    }
    ::SetWindowTextW(Hwnd(), text.c_str());
}
catch (...)
{
    ::SetWindowTextW(Hwnd(), text.c_str());
}

bool CEditEx::IsReadOnly() const noexcept
{
    return (::GetWindowLongW(Hwnd(), GWL_STYLE) & ES_READONLY) != 0;
}

void CEditEx::ResetSelection() noexcept
{
    ::HideCaret(Hwnd());
    if (IsReadOnly())
        ::SendMessageW(Hwnd(), EM_SETSEL, static_cast<WPARAM>(-1), 0);
    else
        ::SendMessageW(Hwnd(), EM_SETSEL, 0, -1);
    ::SendMessageW(Hwnd(), EM_SCROLLCARET, 0, 0);
    m_bKeepFocus = FALSE;
}

void CEditEx::SetFormatRect(const RECT& rect) noexcept
{
    ::SendMessageW(Hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ::SendMessageW(Hwnd(), EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
}

void CEditEx::SetTabNavigation(HWND next) noexcept
{
    m_pNextFocus = next;
    m_bTabNavigation = next != nullptr;
}

void CEditEx::UpdateUnspecifiedHint() noexcept
{
    if (!m_bUnspecifiedHint)
    {
        HideUnspecifiedPopup();
        return;
    }
    if (!m_pNoDefaultWnd)
        m_pNoDefaultWnd = std::make_unique<CPropNoDefaultWnd>(this, m_pOwner);
    m_pNoDefaultWnd->ShowUnder();
}

void CEditEx::HideUnspecifiedPopup() noexcept
{
    if (m_pNoDefaultWnd)
        m_pNoDefaultWnd->HidePopup();
}

// A point of the edit's client area in the control window's, whose origin the edit shares.
LPARAM CEditEx::ToControl(LPARAM clientPoint) const noexcept
{
    POINT pt{GET_X_LPARAM(clientPoint), GET_Y_LPARAM(clientPoint)};
    ::MapWindowPoints(Hwnd(), ::GetParent(Hwnd()), &pt, 1);
    return MAKELPARAM(pt.x, pt.y);
}

bool CEditEx::OnKeyDown(WPARAM key, LPARAM lParam) noexcept
{
    ::InvalidateRect(Hwnd(), nullptr, FALSE);
    m_bKeepFocus = TRUE;
    ::ShowCaret(Hwnd());
    switch (key)
    {
    case VK_TAB:
        if (m_bTabNavigation && !(::GetKeyState(VK_SHIFT) & 0x8000))
        {
            m_pOwner->EndEdit();
            ::SetFocus(m_pNextFocus);
        }
        else
        {
            m_pOwner->EndEdit();
            m_pOwner->Fire_OnKeyDown(VK_TAB, lParam);
        }
        return true;
    case VK_RETURN:
        m_bCommitting = TRUE;
        m_pOwner->EndEdit();
        m_bCommitting = FALSE;
        m_pOwner->Fire_OnKeyDown(VK_RETURN, lParam);
        return true;
    case VK_ESCAPE:
        m_pOwner->Handle_Refresh();
        ResetSelection();
        return true;
    default:
        return false;
    }
}

dkfw::Lifetime* CEditEx::OwnerLifetime() noexcept
{
    return m_pOwner ? m_pOwner->ControlLifetime() : nullptr;
}

bool CEditEx::OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const bool readOnly = IsReadOnly();
    switch (msg)
    {
    case WM_KEYDOWN:
        result = 0;
        return OnKeyDown(wParam, lParam);
    case WM_SYSKEYDOWN:
    {
        // Alt with a key is the editor's to take (Alt+Down opens a row's dialog).
        bool handled = false;
        if (m_pOwner)
            m_pOwner->PropertySysKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam), handled);
        result = 0;
        return handled;
    }
    case WM_CHAR:
        // The keys the edit acts on never reach the text as characters.
        result = 0;
        return wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == 0x1B;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        if (readOnly)
        {
            ::HideCaret(Hwnd());
            result = 0;
            return true;
        }
        if (msg == WM_LBUTTONDOWN)
        {
            m_bKeepFocus = TRUE;
            ::ShowCaret(Hwnd());
        }
        return false;
    case WM_KILLFOCUS:
    {
        result = CallDefault(msg, wParam, lParam);
        CDkPeCtrlBase* owner = m_pOwner;
        int state = 0;
        owner->GetState(state);
        if (state >= CDkPeCtrlBase::kStateEditing)
            owner->EndEdit();
        if (!m_pNoDefaultWnd || reinterpret_cast<HWND>(wParam) != m_pNoDefaultWnd->Hwnd())
            HideUnspecifiedPopup();
        return true;
    }
    case WM_SETFOCUS:
        result = CallDefault(msg, wParam, lParam);
        if (m_bKeepFocus)
            ::ShowCaret(Hwnd());
        else
            ::HideCaret(Hwnd());
        return true;
    case WM_GETDLGCODE:
        result = CallDefault(msg, wParam, lParam) | DLGC_WANTALLKEYS;
        return true;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT)
            return false;
        ::SetCursor(::LoadCursorW(nullptr, readOnly ? IDC_ARROW : IDC_IBEAM));
        result = TRUE;
        return true;
    case WM_MOUSEWHEEL:
        result = ::SendMessageW(::GetParent(Hwnd()), WM_MOUSEWHEEL, wParam, lParam);
        return true;
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU:
    {
        if (!readOnly)
            return false;
        LPARAM point = lParam;
        if (msg == WM_CONTEXTMENU)
        {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ScreenToClient(Hwnd(), &pt);
            point = MAKELPARAM(pt.x, pt.y);
        }
        // The palette shows its menu for the row.
        m_pOwner->Fire_OnRButtonDown(msg == WM_RBUTTONDOWN ? wParam : MK_RBUTTON, ToControl(point));
        result = 0;
        return true;
    }
    case WM_MBUTTONDOWN:
        m_pOwner->Fire_OnMButtonDown(wParam, ToControl(lParam));
        result = 0;
        return true;
    case WM_MOUSEMOVE:
        ShowEditTip();
        return false;
    case CPropTextTooltip::kDrawMessage:
        // Only the row's tips ask: no other window gets the edit's text drawn into it.
        if (HWND tip = reinterpret_cast<HWND>(lParam);
            wParam == static_cast<WPARAM>(CPropTextTooltip::kTipId) && tip &&
            (tip == m_textTip.Hwnd() || tip == m_pOwner->TextTipWindow()))
            DrawEditTip(tip);
        result = 0;
        return true;
    default:
        return false;
    }
}

// The edit's own tip: while it is read-only or not being edited, its text wider than it.
void CEditEx::ShowEditTip() noexcept
{
    int state = 0;
    m_pOwner->GetState(state);
    if (!IsReadOnly() && state >= CDkPeCtrlBase::kStateEditing)
        return;
    int width = 0;
    RECT client{};
    ::GetClientRect(Hwnd(), &client);
    if (FAILED(m_pOwner->GetTextTipWidth(width)) || width <= client.right - client.left)
        return;
    if (!m_textTip.Exists() && !m_textTip.Create(Hwnd()))
        return;
    if (::IsWindowVisible(m_textTip.Hwnd()))
        return;
    m_tipRect = client;
    m_tipRect.right = m_tipRect.left + width + 5;
    m_textTip.SetOwner(Hwnd());
    m_textTip.Place(Hwnd(), m_tipRect);
}

void CEditEx::DrawEditTip(HWND tip) noexcept
{
    RECT r{};
    ::GetClientRect(tip, &r);
    dkfw::WindowDc dc(tip);
    if (!dc)
        return;
    dkfw::FillVerticalGradient(dc.Get(), r, RGB(255, 255, 255), RGB(218, 218, 218));
    dkfw::SelectObjectScope font(dc.Get(), m_font);
    ::SetBkMode(dc.Get(), TRANSPARENT);
    ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_INFOTEXT));
    std::wstring text = TipText();
    const dkpex::WipeOnExit<std::wstring> wipeText(text);
    r.left += 2;
    ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, kTipFormat);
}

std::wstring CEditEx::TipText() const
{
    return Text();
}

std::wstring CPWEdit::TipText() const
{
    std::wstring text = Text();
    const dkpex::WipeOnExit<std::wstring> wipeText(text);
    return Masked(text);
}

std::wstring CPWEdit::Masked(const std::wstring& text) const
{
    const auto mask = Hwnd() ? static_cast<wchar_t>(::SendMessageW(Hwnd(), EM_GETPASSWORDCHAR, 0, 0)) : L'\0';
    return std::wstring(text.size(), mask ? mask : L'*');
}

CPWEdit::~CPWEdit()
{
    WipeBuffer();
}

void CPWEdit::DestroyEdit() noexcept
{
    WipeBuffer();
    DestroyNow();
}

void CPWEdit::WipeBuffer() noexcept
try
{
    // Masks over the password, then nothing: the edit's buffer keeps no character of it.
    if (HWND hwnd = Hwnd())
    {
        std::wstring text = Text();
        const dkpex::WipeOnExit<std::wstring> wipeText(text);
        ::SetWindowTextW(hwnd, std::wstring(text.size(), L'*').c_str());
        ::SetWindowTextW(hwnd, L"");
        ::SendMessageW(hwnd, EM_EMPTYUNDOBUFFER, 0, 0);
    }
}
catch (...)
{
}

bool CPWEdit::OnSubclassMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Another window asking for the text gets masks; nothing copies or hands out the buffer.
    if (!m_bOwnRead)
        switch (msg)
        {
        case WM_GETTEXT:
        {
            std::wstring text = Text();
            const dkpex::WipeOnExit<std::wstring> wipeText(text);
            const std::wstring masks = Masked(text);
            auto* buffer = reinterpret_cast<wchar_t*>(lParam);
            result = 0;
            if (buffer && wParam > 0)
            {
                const size_t n = std::min(masks.size(), static_cast<size_t>(wParam) - 1);
                std::copy_n(masks.data(), n, buffer);
                buffer[n] = L'\0';
                result = static_cast<LRESULT>(n);
            }
            return true;
        }
        case EM_GETLINE:
        case EM_GETHANDLE:
        case WM_COPY:
        case WM_CUT:
            result = 0;
            return true;
        case EM_SETPASSWORDCHAR:
            // No other window changes the mask (whatever part of wParam the edit reads as the
            // character, none turns the password into plain text).
            result = 0;
            return true;
        default:
            break;
        }
    switch (msg)
    {
    case WM_LBUTTONDOWN:
        if (!m_bActivated)
        {
            m_bActivated = TRUE;
            m_pOwner->FireClick();
        }
        break;
    case WM_KILLFOCUS:
        m_bActivated = FALSE;
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT)
        {
            ::SetCursor(::LoadCursorW(nullptr, m_bActivated && !IsReadOnly() ? IDC_IBEAM : IDC_ARROW));
            result = TRUE;
            return true;
        }
        break;
    default:
        break;
    }
    return CEditEx::OnSubclassMessage(msg, wParam, lParam, result);
}
