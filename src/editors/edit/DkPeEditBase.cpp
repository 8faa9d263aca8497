// CDkPeEditBase: the edit-box editors' family base.
#include "DkPeEditBase.h"

#include "ResourceIds.h"
#include "ResourceOverride.h"
#include "SharedTexts.h"
#include "WipedText.h"

#include "HResult.h"
#include "Unique.h"

#include <windowsx.h>

namespace
{
// Measures row heights of an empty row the same as a filled one.
const wchar_t kHeightSample[] = L"WOyg";
constexpr UINT kRowTextFormat = DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX | DT_END_ELLIPSIS;

} // namespace

CDkPeEditBase::CDkPeEditBase(CIPropEditUIEvents* events, CDkPeBasePrivate* priv) : CDkPeCtrlBase(events, priv)
{
    m_bChangeNotified = FALSE;
    m_bBusy = FALSE;
}

CDkPeEditBase::~CDkPeEditBase()
{
    CDkPeEditBase::Cleanup();
}

long CDkPeEditBase::Cleanup()
{
    DropEdit();
    dkpex::Wipe(m_text);
    return CDkPeCtrlBase::Cleanup();
}

void CDkPeEditBase::DropEdit() noexcept
{
    if (m_pEdit && m_pPresetEdit == m_pEdit->Hwnd())
        m_pPresetEdit = nullptr;
    if (m_pEdit)
        m_pEdit->DestroyEdit();
    Retire(m_pEdit);
}

int CDkPeEditBase::RowTextTop(int height, int textHeight) noexcept
{
    const int shift = std::max(0, (height - textHeight) / 2);
    return shift + std::max(0, (height - shift - textHeight) / 2);
}

int CDkPeEditBase::TextHeight(HDC dc) const noexcept
{
    // The row's own text, never a copy of it (it may be a password).
    const wchar_t* text = m_text.empty() ? kHeightSample : m_text.c_str();
    RECT r{0, 0, 10000, 10000};
    ::DrawTextW(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return r.bottom - r.top;
}

long CDkPeEditBase::ReadText()
{
    dkfw::UniqueVariant value;
    const dkpex::WipeOnExit<VARIANT> wipeValue(*value.Addr());
    ValueType type = ValueSpecified;
    const long hr = GetPropertyValue(value.Put(), type);
    if (FAILED(hr))
        return hr;
    switch (type)
    {
    case ValueSpecified:
        if (value.Type() != VT_BSTR)
            return E_FAIL;
        dkpex::Replace(m_text, value.Get().bstrVal ? value.Get().bstrVal : L"");
        break;
    case ValueVaries:
        dkpex::Replace(m_text, dkpex::VariesText());
        break;
    default:
        dkpex::Replace(m_text, m_unspecifiedText);
        return S_OK;
    }
    if (HasEditWindow())
        m_pEdit->SetText(m_text);
    return S_OK;
}

void CDkPeEditBase::PresetText(const std::wstring& text)
{
    HWND control = ControlHwnd();
    if (!HasEditWindow())
        DropEdit();
    if (!m_pEdit && control)
    {
        auto edit = std::make_unique<CEditEx>(this);
        if (edit->Create(WS_CHILD, RECT{}, control, kPresetEditId))
        {
            m_pEdit = std::move(edit);
            m_pPresetEdit = m_pEdit->Hwnd();
        }
    }
    if (HasEditWindow())
        m_pEdit->SetText(text);
}

long CDkPeEditBase::Handle_InitEditControl(VARIANT* objs, VARIANT* dynProps, VARIANT* dispids, short bReadOnly)
{
    if (FAILED(CDkPeCtrlBase::Handle_InitEditControl(objs, dynProps, dispids, bReadOnly)))
        return E_FAIL;
    return ReadText();
}

long CDkPeEditBase::Handle_Refresh()
{
    CString before = m_text;
    const dkpex::WipeOnExit<CString> wipeBefore(before);
    const long hr = ReadText();
    if (FAILED(hr))
    {
        dkpex::Replace(m_text, before);
        return hr;
    }
    if (HasEditWindow() && m_state >= kStateEditing)
    {
        m_pEdit->SetText(m_text);
        m_pEdit->ResetSelection();
    }
    return S_OK;
}

long CDkPeEditBase::Handle_get_KeepFocus(short* pVal)
{
    if (!pVal)
        return E_POINTER;
    *pVal = HasEditWindow() && m_state >= kStateEditing && m_pEdit->m_bKeepFocus ? static_cast<short>(VARIANT_TRUE) : 0;
    return S_OK;
}

long CDkPeEditBase::Handle_put_Font(IUnknown* font)
{
    const long hr = CDkPeCtrlBase::Handle_put_Font(font);
    if (HasEditWindow())
    {
        m_pEdit->SetFont(ControlFont());
        ::SendMessageW(m_pEdit->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), TRUE);
        // The new font brings its own margins and a new text rectangle: lay the text out again.
        RECT client{};
        if (HWND control = ControlHwnd();
            control && ::GetClientRect(control, &client))
            Handle_SetObjectRects(&client, &client);
        ::InvalidateRect(m_pEdit->Hwnd(), nullptr, TRUE);
    }
    return hr;
}

long CDkPeEditBase::BeginEdit(const RECT& rect)
{
    const bool readOnly = IsPropertyReadOnly();
    if (readOnly)
    {
        if (m_bEditBoxReadOnly || !HasEditWindow())
            return S_OK;
        m_pEdit->SetText(m_text);
        ::SendMessageW(m_pEdit->Hwnd(), EM_SETREADONLY, TRUE, 0);
        return S_OK;
    }
    HWND control = ControlHwnd();
    // An edit whose window went with an earlier control window, or the hidden edit of a
    // command's preset (no horizontal scrolling, so typing would stop at the row's end),
    // gives way to the row's own edit box.
    if (m_pEdit && (!m_pEdit->Hwnd() || ::GetDlgCtrlID(m_pEdit->Hwnd()) == static_cast<int>(kPresetEditId)))
        DropEdit();
    if (!m_pEdit)
    {
        if (!control)
            return E_FAIL;
        auto edit = std::make_unique<CEditEx>(this);
        edit->m_bUnspecifiedHint = m_bUnspecifiedAllowed;
        if (!edit->Create(m_bEditBoxReadOnly ? CEditEx::kReadOnlyStyle : CEditEx::kStyle, rect, control, CEditEx::kId))
            return E_FAIL;
        edit->SetFont(ControlFont());
        ::SendMessageW(edit->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        m_pEdit = std::move(edit);
        m_pPresetEdit = m_pEdit->Hwnd();
    }
    if (m_state < kStateEditing)
    {
        ::ShowWindow(m_pEdit->Hwnd(), SW_SHOW);
        m_textTip.SetOwner(m_pEdit->Hwnd());
        m_pEdit->SetText(m_text);
        m_state = kStateEditing;
        const RECT atOrigin{0, 0, rect.right - rect.left, rect.bottom - rect.top};
        Handle_SetObjectRects(&atOrigin, &atOrigin);
        m_pEdit->ResetSelection();
    }
    m_pEdit->m_bUnspecifiedHint = m_bUnspecifiedAllowed;
    m_pEdit->UpdateUnspecifiedHint();
    ::SetFocus(m_pEdit->Hwnd());
    if (m_bEditBoxReadOnly)
    {
        ::HideCaret(m_pEdit->Hwnd());
        return S_OK;
    }
    ::SendMessageW(m_pEdit->Hwnd(), EM_SETREADONLY, FALSE, 0);
    return S_OK;
}

long CDkPeEditBase::EndEdit()
{
    // The focus the row's own message takes is no commit.
    if (m_state < kStateEditing || m_state == kStateCommitting || m_bTelling || !HasEditWindow())
        return E_FAIL;
    CString before = m_text;
    const dkpex::WipeOnExit<CString> wipeBefore(before);
    dkpex::Replace(m_text, m_pEdit->Text());
    if (m_text == before)
    {
        CDkPeCtrlBase::EndEdit();
        return S_OK;
    }
    const bool readOnly = IsPropertyReadOnly();
    if (readOnly || m_pEdit->IsReadOnly())
    {
        CDkPeCtrlBase::EndEdit();
        dkpex::Replace(m_text, before);
        return S_OK;
    }
    if (m_text.size() > CEditEx::kMaxTextLength)
    {
        // A text longer than any property holds (put in other than by typing) is refused
        // whole rather than cut.
        TellWhileEditing(dkpex::FormatResString(IDS_TEXT_TOO_LONG, {std::to_wstring(m_text.size()).c_str(),
                                                                    std::to_wstring(CEditEx::kMaxTextLength).c_str()}));
        dkpex::Replace(m_text, before);
        if (HasEditWindow())
            m_pEdit->SetText(m_text);
        CDkPeCtrlBase::EndEdit();
        return S_OK;
    }
    dkfw::UniqueVariant value;
    const dkpex::WipeOnExit<VARIANT> wipeValue(*value.Addr());
    value.Addr()->vt = VT_BSTR;
    value.Addr()->bstrVal = ::SysAllocStringLen(m_text.data(), static_cast<UINT>(m_text.size()));
    const bool unspecified =
        m_bUnspecifiedAllowed &&
        ::CompareStringOrdinal(m_text.data(), static_cast<int>(m_text.size()), m_unspecifiedText.data(),
                               static_cast<int>(m_unspecifiedText.size()), TRUE) == CSTR_EQUAL;
    m_state = kStateCommitting;
    const long hr = SetPropertyValue(value.Addr(), unspecified ? ValueUnspecified : ValueSpecified);
    if (FAILED(hr))
    {
        // The row shows what the objects hold now: a failure after the value was put (the
        // object's update) may have left them changed.
        if (FAILED(ReadText()))
            dkpex::Replace(m_text, before);
        if (HasEditWindow())
            m_pEdit->SetText(m_text);
        if (HWND control = ControlHwnd())
            ::UpdateWindow(control);
    }
    else
    {
        m_bChangeNotified = TRUE;
        Handle_Refresh();
    }
    CDkPeCtrlBase::EndEdit();
    m_state = kStateEditing;
    return S_OK;
}

void CDkPeEditBase::OnTextLimit()
{
    if (!m_bTelling)
        TellWhileEditing(dkpex::FormatResString(IDS_TEXT_LIMIT, {std::to_wstring(CEditEx::kMaxTextLength).c_str()}));
}

void CDkPeEditBase::TellWhileEditing(const std::wstring& text)
{
    m_bTelling = true;
    const dkfw::ScopeExit told([this] { m_bTelling = false; });
    TellUser(text.c_str());
}

long CDkPeEditBase::MouseClick(UINT, POINT)
{
    const bool readOnly = IsPropertyReadOnly();
    if (readOnly || m_state == kStateCreated)
        return S_OK;
    if (m_state == kStatePlaced)
    {
        HWND control = ControlHwnd();
        RECT r{};
        if (control)
            ::GetWindowRect(control, &r);
        // Only the size matters: the edit goes to the control's origin.
        const RECT atOrigin{0, 0, r.right - r.left, r.bottom - r.top};
        return BeginEdit(atOrigin);
    }
    m_state = kStateEditingAgain;
    return S_OK;
}

long CDkPeEditBase::DoubleClick(const RECT& rect)
{
    const bool readOnly = IsPropertyReadOnly();
    if (readOnly)
        return S_OK;
    BeginEdit(rect);
    return MouseClick(0, POINT{0, 0});
}

long CDkPeEditBase::GetTextTipWidth(int& width)
{
    return GetStringWidth(m_text, &width);
}

long CDkPeEditBase::DrawRowText(ATL_DRAWINFO& info, const CString& shown)
{
    if (!info.hdcDraw || !info.prcBounds)
        return E_FAIL;
    HDC dc = info.hdcDraw;
    RECT bounds{info.prcBounds->left, info.prcBounds->top, info.prcBounds->right, info.prcBounds->bottom};
    const int saved = ::SaveDC(dc);
    BOOL handled = FALSE;
    HBRUSH back = Handle_OnCtlColor(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), 0, handled);
    dkfw::SelectObjectScope font(dc, ControlFont());
    RECT text = bounds;
    text.left += 2;
    text.top += RowTextTop(bounds.bottom - bounds.top, TextHeight(dc));
    const bool inTip = m_textTip.Exists() && ::WindowFromDC(dc) == m_textTip.Hwnd();
    if (!inTip && back)
        ::FillRect(dc, &bounds, back);
    ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &text, kRowTextFormat);
    ::RestoreDC(dc, saved);
    return S_OK;
}

long CDkPeEditBase::Handle_OnDraw(ATL_DRAWINFO& info)
{
    return DrawRowText(info, m_text);
}

long CDkPeEditBase::Handle_SetObjectRects(const RECT* pos, const RECT*)
{
    if (m_state < kStateEditing || !HasEditWindow() || !pos)
        return S_OK;
    HWND edit = m_pEdit->Hwnd();
    const int width = pos->right - pos->left;
    const int height = pos->bottom - pos->top;
    ::SetWindowPos(edit, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    dkfw::WindowDc dc(edit);
    int textHeight = 0;
    {
        dkfw::SelectObjectScope font(dc.Get(), ControlFont());
        textHeight = TextHeight(dc.Get());
    }
    RECT client{};
    ::GetClientRect(edit, &client);
    // The text sits where the inactive row draws it.
    m_pEdit->SetFormatRect(RECT{2, RowTextTop(height, textHeight), std::min<LONG>(width, client.right),
                                std::min<LONG>(height, client.bottom)});
    if (CPropNoDefaultWnd* popup = m_pEdit->Popup(); popup && popup->IsUp() && !popup->SitsUnderRow())
        popup->HidePopup();
    return S_OK;
}

long CDkPeEditBase::Handle_DoVerbHide(const RECT*, HWND)
{
    if (!m_bBusy && m_state >= kStateEditing)
    {
        EndEdit();
        m_state = kStatePlaced;
    }
    if (HasEditWindow())
    {
        ::ShowWindow(m_pEdit->Hwnd(), SW_HIDE);
        m_pEdit->HideUnspecifiedPopup();
    }
    return S_OK;
}

long CDkPeEditBase::Handle_DoVerbShow(const RECT*, HWND)
{
    if (HasEditWindow() && m_state >= kStateEditing)
    {
        ::ShowWindow(m_pEdit->Hwnd(), SW_SHOW);
        ::BringWindowToTop(m_pEdit->Hwnd());
        ::InvalidateRect(m_pEdit->Hwnd(), nullptr, TRUE);
    }
    return S_OK;
}

long CDkPeEditBase::Handle_UIDeactivate()
{
    if (m_state >= kStateEditing)
        EndEdit();
    m_state = kStatePlaced;
    if (HasEditWindow())
    {
        ::ShowWindow(m_pEdit->Hwnd(), SW_HIDE);
        ::InvalidateRect(m_pEdit->Hwnd(), nullptr, TRUE);
        m_pEdit->HideUnspecifiedPopup();
    }
    return S_OK;
}

LRESULT CDkPeEditBase::Handle_OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL& handled)
{
    MouseClick(MK_LBUTTON, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    handled = FALSE; // the palette hears the click too
    return 0;
}

LRESULT CDkPeEditBase::Handle_OnRButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    HWND control = ControlHwnd();
    if (m_state < kStateEditing || !HasEditWindow() || !control)
    {
        handled = FALSE;
        return 0;
    }
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::MapWindowPoints(control, m_pEdit->Hwnd(), &pt, 1);
    ::PostMessageW(m_pEdit->Hwnd(), msg, wParam, MAKELPARAM(pt.x, pt.y));
    FireClick();
    handled = TRUE;
    return 0;
}

LRESULT CDkPeEditBase::Handle_OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (HasEditWindow())
    {
        RECT r{};
        ::GetWindowRect(m_pEdit->Hwnd(), &r);
        DoubleClick(r);
    }
    handled = FALSE;
    return 0;
}
