// The messages each family of editors takes from its child windows, routed to the family
// part: the glue of a family puts them in front of the base map, and a control made of
// several editor parts routes each child's to the part that owns the child.
#pragma once

#include "DkPeButtonEditBase.h"
#include "DkPeComboBase.h"
#include "DkPeEditBase.h"

namespace dkpex
{
// The edit box reached its limit, and the edit box's colours; false for any other message.
inline bool RouteEditMessage(CDkPeEditBase& editor, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_MAXTEXT && LOWORD(wParam) == CEditEx::kId)
    {
        editor.OnTextLimit();
        result = 0;
        return true;
    }
    if (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC)
        return false;
    BOOL handled = TRUE;
    result = reinterpret_cast<LRESULT>(editor.Handle_OnCtlColor(msg, wParam, lParam, handled));
    return handled != FALSE;
}

// Button clicks, the edit box losing the focus and the buttons' painting; false for any
// other message (the edit box's own go through RouteEditMessage).
inline bool RouteButtonMessage(CDkPeButtonEditBase& editor, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    BOOL handled = TRUE;
    const WORD code = HIWORD(wParam);
    const WORD id = LOWORD(wParam);
    if (msg == WM_COMMAND && code == BN_CLICKED && id >= CDkPeButtonEditBase::kOwnButton &&
        id <= CDkPeButtonEditBase::kLastButtonId)
        result = editor.OnButtonCommand(code, id, reinterpret_cast<HWND>(lParam), handled);
    else if (msg == WM_COMMAND && code == EN_KILLFOCUS && id == CEditEx::kId)
        result = editor.OnEditKillFocus(code, id, reinterpret_cast<HWND>(lParam), handled);
    else if (msg == WM_DRAWITEM)
        result = editor.OnDrawButtonItem(msg, wParam, lParam, handled);
    else
        return false;
    return handled != FALSE;
}

// The drop-down's notifications, its owner drawing and colours, and its dialog button. A
// cancelled close is posted to the control window, so that a confirmation the combo sends in
// the same close sequence wins: one route per editor part keeps what it posted.
class CComboRoute
{
public:
    static constexpr UINT kPostedCancel = WM_USER + 1;

    bool Route(CDkPeComboBase& editor, HWND control, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        BOOL handled = TRUE;
        switch (msg)
        {
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            result = reinterpret_cast<LRESULT>(editor.Handle_OnCtlColor(msg, wParam, lParam, handled));
            return handled != FALSE;
        case WM_DRAWITEM:
            result =
                editor.OnDrawItem(msg, static_cast<UINT>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam), handled);
            return handled != FALSE;
        case WM_MEASUREITEM:
            result = editor.OnMeasureItem(msg, static_cast<UINT>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam),
                                          handled);
            return handled != FALSE;
        case WM_DELETEITEM:
            result = editor.OnDeleteItem(msg, static_cast<UINT>(wParam), reinterpret_cast<DELETEITEMSTRUCT*>(lParam),
                                         handled);
            return handled != FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == CDkPeComboBase::kComboId && HIWORD(wParam) == CBN_SELENDCANCEL)
            {
                // An ending that comes before the posted cancel takes it as a cancel only
                // when an open list closed (the list is still open while it tells): a closed
                // list cancels whenever it loses the focus.
                editor.SetCancelPending(editor.Combo() && editor.Combo()->IsDropped());
                m_cancelPosted = true;
                ::PostMessageW(control, kPostedCancel, 0, 0);
            }
            else if (LOWORD(wParam) == CDkPeComboBase::kComboId && HIWORD(wParam) == CBN_SELENDOK)
            {
                m_cancelPosted = false;
                editor.SetCancelPending(false);
                editor.OnSelEndOk();
            }
            else if (LOWORD(wParam) == CDkPeComboBase::kComboId && HIWORD(wParam) == CBN_DROPDOWN)
                editor.OnDropDown();
            else if (LOWORD(wParam) == CDkPeComboBase::kDialogButtonId && HIWORD(wParam) == BN_CLICKED)
                editor.OnButtonClicked(HIWORD(wParam));
            else
                return false;
            result = 0;
            return true;
        case kPostedCancel:
            if (m_cancelPosted)
            {
                m_cancelPosted = false;
                editor.SetCancelPending(false);
                editor.OnSelEndCancel();
            }
            result = 0;
            return true;
        default:
            return false;
        }
    }

private:
    bool m_cancelPosted = false;
};
} // namespace dkpex
