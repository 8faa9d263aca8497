// The password editor: its edit masks the text and stands in for the row's drawing; what
// is drawn, measured or dumped of the row is the mask, never the text.
#include "PropertyEditorPwdText.h"

#include "Unique.h"

bool CPropertyEditorPwdText::EnsurePasswordEdit() noexcept
try
{
    if (HasEditWindow() && ::GetDlgCtrlID(m_pEdit->Hwnd()) == static_cast<int>(CPWEdit::kId))
        return true;
    DropEdit();
    HWND control = ControlHwnd();
    RECT client{};
    if (!control || !::GetClientRect(control, &client))
        return false;
    auto edit = std::make_unique<CPWEdit>(this);
    if (!edit->Create(CPWEdit::kStyle, client, control, CPWEdit::kId))
        return false;
    edit->SetFont(ControlFont());
    ::SendMessageW(edit->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    edit->SetText(m_text);
    m_pEdit = std::move(edit);
    PlacePasswordEdit();
    return true;
}
catch (...)
{
    return false;
}

void CPropertyEditorPwdText::PlacePasswordEdit() noexcept
{
    HWND control = ControlHwnd();
    RECT client{};
    if (!HasEditWindow() || !control || !::GetClientRect(control, &client))
        return;
    HWND edit = m_pEdit->Hwnd();
    int textHeight = 0;
    {
        dkfw::WindowDc dc(edit);
        dkfw::SelectObjectScope font(dc.Get(), ControlFont());
        textHeight = TextHeight(dc.Get());
    }
    // A single-line edit draws its text at its top and after its left margin.
    const int top = RowTextTop(client.bottom, textHeight);
    ::SetWindowPos(edit, nullptr, 0, top, client.right, client.bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 0));
}

long CPropertyEditorPwdText::Handle_SetObjectRects(const RECT*, const RECT*)
{
    PlacePasswordEdit();
    return S_OK;
}

std::wstring CPropertyEditorPwdText::Mask() const
{
    if (auto* edit = dynamic_cast<CPWEdit*>(m_pEdit.get()))
        return edit->Masked(m_text);
    return std::wstring(m_text.size(), L'*');
}

long CPropertyEditorPwdText::BeginEdit(const RECT& rect)
{
    const bool readOnly = IsPropertyReadOnly();
    if (!readOnly && !EnsurePasswordEdit())
        return E_FAIL;
    return CDkPeEditBase::BeginEdit(rect);
}

void CPropertyEditorPwdText::PresetValue(const std::wstring& text, bool, long long)
{
    if (EnsurePasswordEdit())
        m_pEdit->SetText(text);
}

long CPropertyEditorPwdText::GetTextTipWidth(int& width)
{
    return GetStringWidth(Mask(), &width);
}

long CPropertyEditorPwdText::Handle_OnDraw(ATL_DRAWINFO& info)
{
    const bool readOnly = IsPropertyReadOnly();
    if (!readOnly)
    {
        if (!EnsurePasswordEdit())
            return E_FAIL;
        // The value shows as mask characters, in the edit itself.
        if (!::IsWindowVisible(m_pEdit->Hwnd()))
            ::ShowWindow(m_pEdit->Hwnd(), SW_SHOW);
        ::InvalidateRect(m_pEdit->Hwnd(), nullptr, TRUE);
        ::HideCaret(m_pEdit->Hwnd());
    }
    else if (HasEditWindow() && ::IsWindowVisible(m_pEdit->Hwnd()))
        ::ShowWindow(m_pEdit->Hwnd(), SW_HIDE);
    // Drawn as the masks: under the edit of a writable row, and wherever the row is drawn
    // outside its window (the palette's pictures and dumps).
    return DrawRowText(info, Mask());
}
