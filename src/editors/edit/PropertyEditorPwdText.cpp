// The password editor: its edit masks the text and stands in for the row's drawing.
#include "PropertyEditorPwdText.h"

bool CPropertyEditorPwdText::EnsurePasswordEdit() noexcept
try
{
    if (m_pEdit)
        return true;
    HWND control = GetControlWindow();
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
    return true;
}
catch (...)
{
    return false;
}

long CPropertyEditorPwdText::BeginEdit(const RECT& rect)
{
    int readOnly = FALSE;
    PropReadOnly(readOnly);
    if (!readOnly && !EnsurePasswordEdit())
        return E_FAIL;
    return CDkPeEditBase::BeginEdit(rect);
}

long CPropertyEditorPwdText::Handle_OnDraw(ATL_DRAWINFO& info)
{
    if (!EnsurePasswordEdit())
        return E_FAIL;
    int readOnly = FALSE;
    PropReadOnly(readOnly);
    if (!readOnly)
    {
        // The value shows only as mask characters, in the edit itself.
        ::ShowWindow(m_pEdit->Hwnd(), SW_SHOW);
        ::InvalidateRect(m_pEdit->Hwnd(), nullptr, TRUE);
        ::HideCaret(m_pEdit->Hwnd());
        return S_OK;
    }
    if (::IsWindowVisible(m_pEdit->Hwnd()))
        ::ShowWindow(m_pEdit->Hwnd(), SW_HIDE);
    return DrawRowText(info);
}
